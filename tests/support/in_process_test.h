#pragma once

// A base for tests that call the decoders in this process.

#include <gtest/gtest.h>

#include <string>

#include "app/run.h"
#include "common/options.h"
#include "common/output.h"
#include "common/packet_state.h"
#include "present/names.h"
#include "support/run_binary.h"

// Default options and a fresh decoder state, the display caught in
// capturedOutput; afterwards the display goes to standard output again and
// names come from the platform's databases.
class InProcessTest : public ::testing::Test {
protected:
    void SetUp() override {
        options = Options{};
        resetDecoderState();
        capturedOutput.clear();
        setOutputSink(captureOutput);
    }
    void TearDown() override {
        setOutputSink(writeToStandardOutput);
        usePlatformNameDatabase();
        options = Options{};
    }

    // What was written since the last call.
    static std::string takeOutput() {
        flushOutput();
        std::string text = std::move(capturedOutput);
        capturedOutput.clear();
        return text;
    }
};
