#include "support/SkipReport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

namespace testsupport {
namespace {

class SkipListener : public ::testing::EmptyTestEventListener {
public:
    void OnTestPartResult(const ::testing::TestPartResult& result) override
    {
        if (result.skipped())
            m_reason = result.message();
    }
    void OnTestStart(const ::testing::TestInfo&) override { m_reason.clear(); }
    void OnTestEnd(const ::testing::TestInfo& info) override
    {
        if (!info.result()->Skipped())
            return;
        std::string reason = m_reason.empty() ? std::string("no reason given") : m_reason;
        for (char& c : reason) {
            if (c == '\n' || c == '\r')
                c = ' ';
        }
        m_skipped.push_back(std::string(info.test_suite_name()) + "." + info.name() + ": " + reason);
    }
    void OnTestProgramEnd(const ::testing::UnitTest&) override
    {
        for (const std::string& line : m_skipped)
            std::printf("ZELVOR SKIPPED: %s\n", line.c_str());
        std::fflush(stdout);
    }
    bool anySkipped() const { return !m_skipped.empty(); }

private:
    std::string m_reason;
    std::vector<std::string> m_skipped;
};

SkipListener* g_listener = nullptr; // owned by GoogleTest's listener list

} // namespace

void installSkipReport()
{
    g_listener = new SkipListener;
    ::testing::UnitTest::GetInstance()->listeners().Append(g_listener);
}

int exitCode(int runAllTestsResult)
{
    if (runAllTestsResult != 0)
        return runAllTestsResult;
    return g_listener && g_listener->anySkipped() ? kSkipExitCode : 0;
}

} // namespace testsupport
