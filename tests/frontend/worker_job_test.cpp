#include "frontend/worker_job.h"

#include <gtest/gtest.h>

#include <new>
#include <stdexcept>

#include "support/scripted_services.h"

namespace tarvox {
namespace {

TEST(RunWorkerJob, NoExceptionLeavesTheJob) {
    struct Case {
        std::function<void()> job;
        bool returned;
        std::vector<std::string> boxes;
    };
    const Case cases[] = {
        {[] {}, true, {}},
        {[] { throw std::bad_alloc(); }, false, {"Insufficient memory"}},
        {[] { throw std::runtime_error("disk on fire"); }, false, {"disk on fire"}},
        {[] { throw 7; }, false, {"Unknown error"}},
    };
    for (const Case& c : cases) {
        ScriptedServices services;
        EXPECT_EQ(RunWorkerJob(services, c.job), c.returned);
        std::vector<std::string> boxes;
        for (const MessageBoxRequest& box : services.Boxes()) {
            EXPECT_EQ(box.icon, BoxIcon::Error);
            boxes.push_back(box.text);
        }
        EXPECT_EQ(boxes, c.boxes);
    }
}

}  // namespace
}  // namespace tarvox
