#pragma once

namespace testsupport {

// Makes skipped cases visible to CTest: every skipped case is printed as
// "ZELVOR SKIPPED: Suite.Case: reason", and a program whose cases all passed or skipped, with at
// least one skipped, ends with kSkipExitCode, which CTest reports as skipped rather than passed.
// Call once after InitGoogleTest; hand RUN_ALL_TESTS's result to exitCode.
void installSkipReport();
int exitCode(int runAllTestsResult);

constexpr int kSkipExitCode = 77;

} // namespace testsupport
