#include "compose/address_completion.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace tarvox {
namespace {

// One change of the field: its text, the lookup it starts ("" for none) and,
// when the match "bob@x.org" goes in, the field it gives.
struct Step {
    std::string field;
    std::string lookup;
    std::string completed = {};
};

TEST(AddressCompletion, LooksUpTheTypedRecipientOnceAndCompletesOnlyIt) {
    const std::string long_field = std::string(504, 'a') + ", bcde";
    const std::vector<std::pair<const char*, std::vector<Step>>> cases = {
        {"three characters wait, the fourth looks up",
         {{"bob", ""}, {"bobb", "bobb", "bob@x.org"}}},
        {"the same recipient is not looked up twice", {{"abcd", "abcd"}, {"abcd", ""}}},
        {"a fourth character \"@\" waits", {{"abc@", ""}, {"abc@d", "abc@d"}}},
        {"a recipient after a comma alone counts and is replaced",
         {{"ann@x.org, bo", ""},
          {"ann@x.org, bobb", "bobb"},
          {"ann@x.org,\tbob", "bob", "ann@x.org, bob@x.org"}}},
        {"with \"@\" after the last comma the whole field counts",
         {{"ann, b@x", "ann, b@x", "bob@x.org"}}},
        {"blanks around it are not looked up, blanks alone not at all",
         {{"\t bob ", "bob"}, {"a,    ", ""}}},
        {"characters are counted, not bytes", {{"çéà", ""}, {"çéàè", "çéàè"}}},
        {"a completed field waits until the recipient is cut below four",
         {{"abcd", "abcd", "bob@x.org"}, {"bob@x.orgx", ""}, {"abc", ""}, {"abcd", "abcd"}}},
        {"a field of 511 characters is left alone, 510 are not",
         {{long_field + "f", ""}, {long_field, "bcde"}}},
    };
    for (const auto& [what, steps] : cases) {
        AddressCompletion completion;
        for (const Step& step : steps) {
            EXPECT_EQ(completion.Changed(step.field).value_or(""), step.lookup)
                << what << ": " << step.field;
            if (!step.completed.empty()) {
                EXPECT_EQ(CompleteRecipient(step.field, "bob@x.org"), step.completed) << what;
                completion.MarkCompleted();
            }
        }
    }
}

}  // namespace
}  // namespace tarvox
