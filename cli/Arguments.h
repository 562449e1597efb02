#pragma once
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace drollicant::cli {

// One option a command accepts. Options with a value take it as "--name VALUE",
// "--name=VALUE", "-x VALUE" or "-xVALUE"; "--" ends the options.
struct Option {
  std::string_view longName;   // without the leading "--"
  char shortName;              // 0 when there is none
  std::string_view valueName;  // empty for a flag
  std::string_view help;

  bool takesValue() const { return !valueName.empty(); }
};

// The parsed command line of one command: options in the order given, and the
// remaining operands.
class Arguments {
public:
  // Returns nothing and sets `error` when an option is unknown or lacks its value.
  static std::optional<Arguments> parse(std::span<const Option> options, std::span<char* const> args,
                                        std::string& error);

  bool has(std::string_view longName) const;
  // The last value given for the option.
  std::optional<std::string> value(std::string_view longName) const;
  // Every value given for a repeatable option, in order.
  std::vector<std::string> values(std::string_view longName) const;
  const std::vector<std::string>& operands() const { return operandList; }

private:
  struct Given {
    std::string_view longName;
    std::string value;
  };
  std::vector<Given> given;
  std::vector<std::string> operandList;
};

// The option lines of a command's --help text.
std::string describeOptions(std::span<const Option> options);

// Strict number parsing for command-line values: the whole text must be the number.
std::optional<double> parseNumber(std::string_view text);
std::optional<long> parseInteger(std::string_view text);

}  // namespace drollicant::cli
