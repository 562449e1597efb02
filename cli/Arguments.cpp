#include "cli/Arguments.h"

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdlib>

namespace drollicant::cli {
namespace {

const OptionSpec* findLong(std::span<const OptionSpec> specs, std::string_view name) {
  for (const auto& spec : specs)
    if (spec.longName == name) return &spec;
  return nullptr;
}

const OptionSpec* findShort(std::span<const OptionSpec> specs, char name) {
  for (const auto& spec : specs)
    if (spec.shortName != 0 && spec.shortName == name) return &spec;
  return nullptr;
}

}  // namespace

std::optional<Arguments> Arguments::parse(std::span<const OptionSpec> specs, std::span<char* const> args,
                                          std::string& error) {
  Arguments result;
  bool optionsEnded = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string_view arg = args[i];
    if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
      result.operandList.emplace_back(arg);
      continue;
    }
    if (arg == "--") {
      optionsEnded = true;
      continue;
    }
    const OptionSpec* spec = nullptr;
    std::optional<std::string> inlineValue;
    if (arg[1] == '-') {
      std::string_view name = arg.substr(2);
      if (const auto eq = name.find('='); eq != std::string_view::npos) {
        inlineValue = std::string(name.substr(eq + 1));
        name = name.substr(0, eq);
      }
      spec = findLong(specs, name);
      if (spec == nullptr) {
        error = "unknown option '--" + std::string(name) + "'";
        return std::nullopt;
      }
      if (!spec->takesValue() && inlineValue) {
        error = "option '--" + std::string(name) + "' takes no value";
        return std::nullopt;
      }
    } else {
      spec = findShort(specs, arg[1]);
      if (spec == nullptr) {
        error = "unknown option '" + std::string(arg.substr(0, 2)) + "'";
        return std::nullopt;
      }
      if (arg.size() > 2) {
        if (!spec->takesValue()) {
          error = "option '" + std::string(arg.substr(0, 2)) + "' takes no value";
          return std::nullopt;
        }
        inlineValue = std::string(arg.substr(2));
      }
    }
    Given given{spec->longName, {}};
    if (spec->takesValue()) {
      if (inlineValue) {
        given.value = *inlineValue;
      } else if (i + 1 < args.size()) {
        given.value = args[++i];
      } else {
        error = "option '--" + std::string(spec->longName) + "' needs a value (" + std::string(spec->valueName) + ")";
        return std::nullopt;
      }
    }
    result.given.push_back(std::move(given));
  }
  return result;
}

bool Arguments::has(std::string_view longName) const {
  for (const auto& g : given)
    if (g.longName == longName) return true;
  return false;
}

std::optional<std::string> Arguments::value(std::string_view longName) const {
  std::optional<std::string> last;
  for (const auto& g : given)
    if (g.longName == longName) last = g.value;
  return last;
}

std::vector<std::string> Arguments::values(std::string_view longName) const {
  std::vector<std::string> all;
  for (const auto& g : given)
    if (g.longName == longName) all.push_back(g.value);
  return all;
}

std::string describeOptions(std::span<const OptionSpec> specs) {
  constexpr size_t kHelpColumn = 26;
  std::string text;
  for (const auto& spec : specs) {
    std::string left = "  ";
    left += spec.shortName != 0 ? std::string{'-', spec.shortName, ',', ' '} : std::string("    ");
    left += "--";
    left += spec.longName;
    if (spec.takesValue()) {
      left += ' ';
      left += spec.valueName;
    }
    if (left.size() + 2 > kHelpColumn)
      left += "\n" + std::string(kHelpColumn, ' ');
    else
      left.resize(kHelpColumn, ' ');
    text += left;
    text += spec.help;
    text += '\n';
  }
  return text;
}

std::optional<double> parseNumber(std::string_view text) {
  const std::string s(text);
  if (s.empty() || std::isspace(static_cast<unsigned char>(s.front()))) return std::nullopt;
  char* end = nullptr;
  errno = 0;
  const double v = std::strtod(s.c_str(), &end);
  if (end != s.c_str() + s.size() || errno == ERANGE || !std::isfinite(v)) return std::nullopt;
  return v;
}

std::optional<long> parseInteger(std::string_view text) {
  const std::string s(text);
  if (s.empty() || std::isspace(static_cast<unsigned char>(s.front()))) return std::nullopt;
  char* end = nullptr;
  errno = 0;
  const long v = std::strtol(s.c_str(), &end, 10);
  if (end != s.c_str() + s.size() || errno == ERANGE) return std::nullopt;
  return v;
}

}  // namespace drollicant::cli
