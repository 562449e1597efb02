#include "hosts/lv2/TurtleWriter.h"

#include <charconv>
#include <cstdio>
#include <cstdlib>

#include "hosts/lv2/PortLayout.h"

namespace drollicant::lv2 {

std::string PluginDescription::presetURI(int n) const { return uri + ":preset:" + std::to_string(n); }

std::string TurtleWriter::number(float value) {
  char text[64];
  auto [end, ec] = std::to_chars(text, text + sizeof text, value);
  std::string s(text, end);
  // Hosts read the literal in double precision and narrow it; the shortest form can
  // land on the other float after that double rounding, the exact double never does.
  if (ec != std::errc() || float(std::strtod(s.c_str(), nullptr)) != value) {
    std::snprintf(text, sizeof text, "%.17g", double(value));
    s = text;
  }
  if (s.find_first_of(".eEn") == std::string::npos) s += ".0";
  return s;
}

std::string TurtleWriter::quoted(const std::string& text) {
  std::string out = "\"";
  for (const char c : text) {
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      default:
        out += c;
    }
  }
  return out + "\"";
}

std::string TurtleWriter::prefixes() {
  return "@prefix bufsz: <http://lv2plug.in/ns/ext/buf-size#> .\n"
         "@prefix doap:  <http://usefulinc.com/ns/doap#> .\n"
         "@prefix foaf:  <http://xmlns.com/foaf/0.1/> .\n"
         "@prefix lv2:   <http://lv2plug.in/ns/lv2core#> .\n"
         "@prefix opts:  <http://lv2plug.in/ns/ext/options#> .\n"
         "@prefix pset:  <http://lv2plug.in/ns/ext/presets#> .\n"
         "@prefix rdfs:  <http://www.w3.org/2000/01/rdf-schema#> .\n"
         "@prefix ui:    <http://lv2plug.in/ns/extensions/ui#> .\n"
         "@prefix urid:  <http://lv2plug.in/ns/ext/urid#> .\n\n";
}

std::string TurtleWriter::manifest() const {
  std::string ttl = prefixes();
  ttl += "<" + plugin.uri + ">\n    a lv2:Plugin ;\n    lv2:binary <" + plugin.binary + "> ;\n    rdfs:seeAlso <" +
         kPluginFile + "> .\n";
  ttl += editor();
  for (const auto& preset : plugin.presets)
    ttl += "\n<" + plugin.presetURI(preset.number) + ">\n    a pset:Preset ;\n    lv2:appliesTo <" + plugin.uri +
           "> ;\n    rdfs:seeAlso <" + kPresetsFile + "> .\n";
  return ttl;
}

std::string TurtleWriter::editor() const {
  return "\n<" + plugin.uri + ">\n    ui:ui <" + kUIURI + "> .\n\n<" + kUIURI + ">\n    a ui:X11UI ;\n    ui:binary <" +
         kUIBinary +
         "> ;\n    lv2:requiredFeature ui:idleInterface ;\n"
         "    lv2:optionalFeature ui:parent , ui:resize , opts:options , urid:map ;\n"
         "    opts:supportedOption ui:scaleFactor ;\n    lv2:extensionData ui:idleInterface , ui:resize .\n";
}

// doap:maintainer belongs to a doap:Project, which the plug-in therefore also declares.
std::string TurtleWriter::maintainer() const {
  return "    doap:maintainer [\n        a foaf:Person ;\n        foaf:name " + quoted(plugin.maintainerName) +
         " ;\n        foaf:homepage <" + plugin.maintainerHomepage + "> ;\n    ] ;\n";
}

std::string TurtleWriter::audioPort(uint32_t index, bool input, const char* symbol, const char* name) const {
  return std::string("[\n        a lv2:AudioPort , ") + (input ? "lv2:InputPort" : "lv2:OutputPort") +
         " ;\n        lv2:index " + std::to_string(index) + " ;\n        lv2:symbol " + quoted(symbol) +
         " ;\n        lv2:name " + quoted(name) + " ;\n    ]";
}

std::string TurtleWriter::controlPort(uint32_t index, const ControlPortDescription& port) const {
  std::string ttl = "[\n        a lv2:ControlPort , lv2:InputPort ;\n        lv2:index " + std::to_string(index) +
                    " ;\n        lv2:symbol " + quoted(port.symbol) + " ;\n        lv2:name " + quoted(port.name) +
                    " ;\n        lv2:default " + number(port.defaultValue) + " ;\n        lv2:minimum " +
                    number(port.minimum) + " ;\n        lv2:maximum " + number(port.maximum) + " ;\n";
  if (port.toggled) ttl += "        lv2:portProperty lv2:toggled ;\n";
  return ttl + "    ]";
}

std::string TurtleWriter::enabledPort(uint32_t index) const {
  return "[\n        a lv2:ControlPort , lv2:InputPort ;\n        lv2:index " + std::to_string(index) +
         " ;\n        lv2:symbol " + quoted(plugin.enabledSymbol) + " ;\n        lv2:name " +
         quoted(plugin.enabledName) +
         " ;\n        lv2:designation lv2:enabled ;\n        lv2:portProperty lv2:toggled ;\n"
         "        lv2:default " +
         number(plugin.enabledDefault) +
         " ;\n        lv2:minimum 0.0 ;\n"
         "        lv2:maximum 1.0 ;\n    ]";
}

std::string TurtleWriter::pluginData() const {
  std::string ttl = prefixes();
  ttl += "<" + plugin.uri + ">\n    a lv2:Plugin , lv2:ModulatorPlugin , doap:Project ;\n    doap:name " +
         quoted(plugin.name) + " ;\n" + maintainer() + "    lv2:minorVersion " + std::to_string(plugin.minorVersion) +
         " ;\n    lv2:microVersion " + std::to_string(plugin.microVersion) +
         " ;\n    lv2:optionalFeature lv2:hardRTCapable , urid:map , opts:options , bufsz:boundedBlockLength ;\n"
         "    opts:supportedOption bufsz:maxBlockLength ;\n    lv2:port ";
  ttl += audioPort(PortLayout::kInputLeft, true, "in_l", "Left In") + " , ";
  ttl += audioPort(PortLayout::kInputRight, true, "in_r", "Right In") + " , ";
  ttl += audioPort(PortLayout::kOutputLeft, false, "out_l", "Left Out") + " , ";
  ttl += audioPort(PortLayout::kOutputRight, false, "out_r", "Right Out");
  for (uint32_t i = 0; i < plugin.parameters.size(); ++i)
    ttl += " , " + controlPort(PortLayout::parameterPort(i), plugin.parameters[i]);
  ttl += " , " + enabledPort(PortLayout::enabledPort(uint32_t(plugin.parameters.size())));
  return ttl + " .\n";
}

std::string TurtleWriter::presets() const {
  std::string ttl = prefixes();
  for (const auto& preset : plugin.presets) {
    ttl += "<" + plugin.presetURI(preset.number) + ">\n    a pset:Preset ;\n    lv2:appliesTo <" + plugin.uri +
           "> ;\n    rdfs:label " + quoted(preset.name);
    for (const auto& [symbol, value] : preset.values)
      ttl += " ;\n    lv2:port [\n        lv2:symbol " + quoted(symbol) + " ;\n        pset:value " + number(value) +
             " ;\n    ]";
    ttl += " .\n\n";
  }
  return ttl;
}

}  // namespace drollicant::lv2
