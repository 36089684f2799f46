#pragma once

#include <QProcess>
#include <QString>
#include <QTemporaryDir>

// The machine's Chromium, headless, for tests of pages as a browser or a mirrored device shows
// them: outside the application, with no bridge to it.
class HeadlessChromium {
public:
    HeadlessChromium() = default;
    ~HeadlessChromium();
    HeadlessChromium(const HeadlessChromium&) = delete;
    HeadlessChromium& operator=(const HeadlessChromium&) = delete;

    // The browser's program, or empty when the machine has none.
    static QString program();

    // Loads the page, lets it run for `pageMs` of its own time and answers its document as text
    // (empty when the browser gave none).
    static QString dumpDom(const QString& url, int pageMs = 5000);

    // Opens the page in a browser that stays open until this object ends.
    bool open(const QString& url);
    // The title of the open page as the browser reports it now (empty when it cannot say).
    QString title();

private:
    QProcess m_process;
    QTemporaryDir m_profile;
    int m_port = 0;
};
