#include "compose/address_completion.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <utility>
#include <vector>

namespace tarvox {
namespace {

// One change of the field: its text, the lookup it starts ("" for none), and
// whether the lookup's match went in.
struct Step {
    std::string field;
    std::string lookup;
    bool matched = false;
};

TEST(AddressCompletion, LooksUpTheTypedRecipientOnceFromItsFourthCharacter) {
    const std::string long_field = std::string(504, 'a') + ", bcde";
    const std::vector<std::pair<const char*, std::vector<Step>>> cases = {
        {"three characters wait, the fourth looks up", {{"abc", ""}, {"abcd", "abcd"}}},
        {"the same recipient is not looked up twice", {{"abcd", "abcd"}, {"abcd", ""}}},
        {"a fourth character \"@\" waits", {{"abc@", ""}, {"abc@d", "abc@d"}}},
        {"a recipient after a comma alone counts",
         {{"ann@x.org, bo", ""}, {"ann@x.org, bob", "bob"}, {"ann@x.org,bobb", "bobb"}}},
        {"with \"@\" after the last comma the whole field counts", {{"ann, b@x", "ann, b@x"}}},
        {"blanks around it are not looked up, blanks alone not at all",
         {{"\t bob ", "bob"}, {"a,    ", ""}}},
        {"characters are counted, not bytes", {{"çé", ""}, {"çéà", ""}, {"çéàè", "çéàè"}}},
        {"a completed field waits until the recipient is cut below four",
         {{"abcd", "abcd", true}, {"abcde", ""}, {"abcd", ""}, {"abc", ""}, {"abcd", "abcd"}}},
        {"a field of 511 characters is left alone, 510 are not",
         {{long_field + "f", ""}, {long_field, "bcde"}}},
    };
    for (const auto& [what, steps] : cases) {
        AddressCompletion completion;
        for (const Step& step : steps) {
            EXPECT_EQ(completion.Changed(step.field).value_or(""), step.lookup)
                << what << ": " << step.field;
            if (step.matched) {
                completion.MarkCompleted();
            }
        }
    }
}

TEST(CompleteRecipient, ReplacesOnlyTheTypedRecipient) {
    const std::tuple<const char*, const char*> cases[] = {
        {"bob", "bob@x.org"},
        {"ann@x.org, bob", "ann@x.org, bob@x.org"},
        {"ann@x.org,bob", "ann@x.org, bob@x.org"},
        {"ann@x.org,   bob", "ann@x.org, bob@x.org"},
        {"ann, b@x", "bob@x.org"},
    };
    for (const auto& [field, completed] : cases) {
        EXPECT_EQ(CompleteRecipient(field, "bob@x.org"), completed) << field;
    }
}

}  // namespace
}  // namespace tarvox
