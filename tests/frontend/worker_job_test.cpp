#include "frontend/worker_job.h"

#include <gtest/gtest.h>

#include <new>
#include <stdexcept>
#include <tuple>

#include "support/scripted_services.h"

namespace tarvox {
namespace {

TEST(RunWorkerJob, NoExceptionLeavesTheJob) {
    // {job, whether it returned, the boxes shown}
    const std::tuple<std::function<void()>, bool, std::vector<std::string>> cases[] = {
        {[] {}, true, {}},
        {[] { throw std::bad_alloc(); }, false, {"Insufficient memory"}},
        {[] { throw std::runtime_error("disk on fire"); }, false, {"disk on fire"}},
        {[] { throw 7; }, false, {"Unknown error"}},
    };
    for (const auto& [job, returned, expected_boxes] : cases) {
        ScriptedServices services;
        EXPECT_EQ(RunWorkerJob(services, job), returned);
        std::vector<std::string> boxes;
        for (const MessageBoxRequest& box : services.Boxes()) {
            EXPECT_EQ(box.icon, BoxIcon::Error);
            boxes.push_back(box.text);
        }
        EXPECT_EQ(boxes, expected_boxes);
    }
}

}  // namespace
}  // namespace tarvox
