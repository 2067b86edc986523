#include <gtest/gtest.h>

#include "session.h"

// The loop starts with exactly the feature line and ends at "quit".
TEST(Session, StartsWithFeatureLineAndQuits)
{
    const SessionResult result = RunSession("quit\n");
    EXPECT_EQ(result.output, FEATURE_LINE);
    EXPECT_EQ(result.status, 0);
}
