#pragma once
#include <QString>

// The application's user-agent string, which the preview's web view sends with every request:
// "Mozilla/5.0 (Macintosh; Intel Mac OS X <os>) AppleWebKit/<engine> (KHTML, like Gecko)
// ZelvorStudio/<version>". Prototypes detect the studio by its last word; the platform words
// stay as pages written for the studio expect them.
QString getUserAgent();

// The parts, exposed for the application object and tests.
QString userAgentOSVersion();     // the system version with "_" between its numbers
QString userAgentWebKitVersion(); // the WebKit version the web engine announces, known without starting it
QString userAgentAppVersion();    // the application version, "1.0" when none is set
