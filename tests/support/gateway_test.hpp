// The fixture of every gateway test: errors checked by identifier, and no
// array or mxMalloc block left behind by a call.
#pragma once

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "mx_helpers.hpp"

namespace tavrix::testing {

class GatewayTest : public ::testing::Test {
protected:
    GatewayTest(std::string function, Gateway gateway)
        : function_(std::move(function)), gateway_(gateway), blocks_(mxlite::LiveAllocations()) {}

    void TearDown() override { EXPECT_EQ(blocks_, mxlite::LiveAllocations()) << "mxMalloc blocks leaked"; }

    // Calls the gateway and expects the error Tavrix:<function>:<reason>, with
    // no result created and no array left behind.
    void ExpectError(const std::string& reason, const std::vector<const mxArray*>& args, int nlhs = 1) {
        const long arrays = mxlite::LiveArrays();
        Outcome o = CallGateway(gateway_, nlhs, args);
        EXPECT_EQ("Tavrix:" + function_ + ":" + reason, o.errorId) << o.errorMessage;
        EXPECT_FALSE(o.errorMessage.empty());
        for (const MxPtr& r : o.results) EXPECT_EQ(r, nullptr) << "a result was created before the error";
        o.results.clear();
        EXPECT_EQ(arrays, mxlite::LiveArrays());
    }

private:
    std::string function_;
    Gateway gateway_;
    long blocks_;
};

}  // namespace tavrix::testing
