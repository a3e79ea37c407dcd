#include "core/LatestResult.h"

#include <gtest/gtest.h>

#include <optional>

TEST(LatestResultTest, OnlyTheNewestRequestsResultIsApplied) {
    LatestResult latest;
    const LatestResult::Ticket first = latest.next();
    const LatestResult::Ticket second = latest.next();
    EXPECT_FALSE(first.isCurrent());
    EXPECT_TRUE(second.isCurrent());
    EXPECT_TRUE(second.isCurrent()); // asking does not use it up

    latest.drop(); // what was on its way lands nowhere, and nothing new is asked
    EXPECT_FALSE(second.isCurrent());
    EXPECT_TRUE(latest.next().isCurrent());

    EXPECT_FALSE(LatestResult::Ticket().isCurrent());
}

TEST(LatestResultTest, ATicketOutlivingItsOwnerIsNeverCurrent) {
    std::optional<LatestResult::Ticket> ticket;
    {
        LatestResult latest;
        ticket = latest.next();
        EXPECT_TRUE(ticket->isCurrent());
    }
    EXPECT_FALSE(ticket->isCurrent());
}
