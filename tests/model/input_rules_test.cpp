#include "model/input_rules.h"

#include <gtest/gtest.h>

namespace pf {
namespace {

struct RuleCase {
  const char* typed;
  const char* shown;  // nullptr: stays as typed
};

void Check(std::optional<std::string> (*rule)(std::string_view), std::initializer_list<RuleCase> cases) {
  for (const RuleCase& c : cases) {
    const std::optional<std::string> out = rule(c.typed);
    if (c.shown == nullptr) {
      EXPECT_FALSE(out.has_value()) << "'" << c.typed << "' became '" << out.value_or("") << "'";
    } else {
      EXPECT_EQ(out.value_or("<unchanged>"), c.shown) << "'" << c.typed << "'";
      // What a rule shows must itself be stable, or the box would keep rewriting itself.
      EXPECT_FALSE(rule(*out).has_value()) << "'" << *out << "' is not stable";
    }
  }
}

TEST(InputRules, PaletteNumber) {
  Check(PaletteNumberRule, {{"b", "11"},
                            {"f", "15"},
                            {"1b", nullptr},
                            {"12", nullptr},
                            {"", nullptr},
                            {"16", ""},
                            {"-1", ""},
                            {"15.6", ""}});
}

TEST(InputRules, Operand) {
  Check(OperandRule,
        {{"1A", "F"}, {"10", "F"}, {"F", nullptr}, {"G", nullptr}, {"9", nullptr}, {"", nullptr}});
}

TEST(InputRules, CheckSize) {
  Check(CheckSizeRule,
        {{"32", "31"}, {"31", nullptr}, {"31.5", "31"}, {"0", nullptr}, {"-4", nullptr}, {"x", nullptr}});
}

TEST(InputRules, MouseDrawPalette) {
  Check(MouseDrawPaletteRule,
        {{"20", "15"}, {"15", nullptr}, {"-3", "0"}, {"-0.5", "0"}, {"7", nullptr}, {"", nullptr}});
}

TEST(InputRules, MixColour) {
  Check(MixColourRule, {{"-2", "0"},
                        {"a", "10"},
                        {"ff", "15"},
                        {"0b", "11"},
                        {"20", "15"},
                        {"1b", nullptr},
                        {"0", nullptr},
                        {"g", nullptr}});
}

}  // namespace
}  // namespace pf
