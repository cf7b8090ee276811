#include <gtest/gtest.h>

#include "support/run_binary.h"

TEST(Smoke, CookedHeaderOnlyPacket) {
    RunResult run = runPacsift(cookedArgs(),
                               "12:00:00.500000 8:0:20:1:2:3 ff:ff:ff:ff:ff:ff 0806 60:\n");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out,
              "---------------------------------------------------------------------------\n"
              "Packet 1\n"
              "TIME:\t12:00:00.500000\n"
              "LINK:\t08:00:20:01:02:03 -> FF:FF:FF:FF:FF:FF type=ARP\n"
              "---------------------------------------------------------------------------\n");
}
