#include "cli/Arguments.h"

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdlib>

namespace drollicant::cli {
namespace {

const Option* findLong(std::span<const Option> options, std::string_view name) {
  for (const auto& option : options)
    if (option.longName == name) return &option;
  return nullptr;
}

const Option* findShort(std::span<const Option> options, char name) {
  for (const auto& option : options)
    if (option.shortName != 0 && option.shortName == name) return &option;
  return nullptr;
}

}  // namespace

std::optional<Arguments> Arguments::parse(std::span<const Option> options, std::span<char* const> args,
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
    const Option* option = nullptr;
    std::optional<std::string> inlineValue;
    if (arg[1] == '-') {
      std::string_view name = arg.substr(2);
      if (const auto eq = name.find('='); eq != std::string_view::npos) {
        inlineValue = std::string(name.substr(eq + 1));
        name = name.substr(0, eq);
      }
      option = findLong(options, name);
      if (option == nullptr) {
        error = "unknown option '--" + std::string(name) + "'";
        return std::nullopt;
      }
      if (!option->takesValue() && inlineValue) {
        error = "option '--" + std::string(name) + "' takes no value";
        return std::nullopt;
      }
    } else {
      option = findShort(options, arg[1]);
      if (option == nullptr) {
        error = "unknown option '" + std::string(arg.substr(0, 2)) + "'";
        return std::nullopt;
      }
      if (arg.size() > 2) {
        if (!option->takesValue()) {
          error = "option '" + std::string(arg.substr(0, 2)) + "' takes no value";
          return std::nullopt;
        }
        inlineValue = std::string(arg.substr(2));
      }
    }
    Given given{option->longName, {}};
    if (option->takesValue()) {
      if (inlineValue) {
        given.value = *inlineValue;
      } else if (i + 1 < args.size()) {
        given.value = args[++i];
      } else {
        error =
            "option '--" + std::string(option->longName) + "' needs a value (" + std::string(option->valueName) + ")";
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

std::string describeOptions(std::span<const Option> options) {
  constexpr size_t kHelpColumn = 26;
  std::string text;
  for (const auto& option : options) {
    std::string left = "  ";
    left += option.shortName != 0 ? std::string{'-', option.shortName, ',', ' '} : std::string("    ");
    left += "--";
    left += option.longName;
    if (option.takesValue()) {
      left += ' ';
      left += option.valueName;
    }
    if (left.size() + 2 > kHelpColumn)
      left += "\n" + std::string(kHelpColumn, ' ');
    else
      left.resize(kHelpColumn, ' ');
    text += left;
    text += option.help;
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
