#include "welcome/WelcomeWindow.h"

#include "platform/UserDefaults.h"
#include "platform/gui/Alert.h"
#include "platform/gui/ColorExtras.h"
#include "platform/gui/DocumentController.h"
#include "platform/gui/RBFlippedView.h"
#include "welcome/AntiAliasedLabel.h"
#include "welcome/DraggableImageView.h"
#include "welcome/ImageMouseOverButton.h"
#include "welcome/SimpleButton.h"
#include "welcome/SystemFont.h"
#include "welcome/ViewAnimations.h"
#include "welcome/WebsitePage.h"
#include "welcome/WelcomeAnalytics.h"
#include "welcome/WelcomeControllerConstants.h"
#include "welcome/WelcomeImages.h"
#include "welcome/WelcomeWindowBackgroundView.h"
#include "welcome/WelcomeWindowColumnView.h"
#include "welcome/WelcomeWindowController.h"
#include "welcome/WelcomeWindowEmailCourseButton.h"
#include "welcome/WelcomeWindowExampleView.h"
#include "welcome/WelcomeWindowNoRecentDocumentsView.h"
#include "welcome/WelcomeWindowOpenProjectButton.h"
#include "welcome/WelcomeWindowRecentsRowView.h"
#include "welcome/WelcomeWindowRecentsTableView.h"
#include "welcome/WelcomeWindowRoundedTextFieldView.h"
#include "welcome/WelcomeWindowShowOnStartupButton.h"
#include "welcome/WindowDrag.h"

#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QDateTime>
#include <QFileInfo>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QPainterPath>
#include <QPropertyAnimation>
#include <QRegion>
#include <QRegularExpression>
#include <QScreen>

namespace welcome {

namespace {

QColor hex(const char* text)
{
    return platform::colorWithHexColorString(QString::fromLatin1(text));
}

const char* const kBase = "19191B";

// A grey word on the window's background that lights up white while pressed.
SimpleButton* textButton(const QRect& frame, const QString& title, int fontSize, QWidget* parent)
{
    auto* button = new SimpleButton(frame, parent);
    button->setTitleFont(systemFontOfSize(fontSize, FontWeight::Light));
    button->setTitle(title);
    button->setTitleColor(hex("62626B"), SimpleButtonState::Normal);
    button->setTitleColor(QColor(Qt::white), SimpleButtonState::Pressed);
    button->setBackgroundColor(hex(kBase), SimpleButtonState::Normal);
    button->setBackgroundColor(hex(kBase), SimpleButtonState::Pressed);
    return button;
}

// An address longer than this cannot be delivered (the limit of a forward path in SMTP).
constexpr int kMaximumAddressLength = 254;

} // namespace

QString trimSpacesAndTabs(const QString& text)
{
    qsizetype start = 0;
    qsizetype end = text.size();
    auto blank = [](QChar c) { return c == QLatin1Char(' ') || c == QLatin1Char('\t'); };
    while (start < end && blank(text[start]))
        ++start;
    while (end > start && blank(text[end - 1]))
        --end;
    return text.mid(start, end - start);
}

bool isValidEmailAddress(const QString& text)
{
    const QString address = trimSpacesAndTabs(text);
    if (address.size() > kMaximumAddressLength)
        return false;
    // White space inside an address is never deliverable; the service would refuse it later,
    // after the window had already moved on.
    for (QChar c : address)
        if (c.isSpace())
            return false;
    static const QRegularExpression pattern(QStringLiteral("\\A.+@.+\\..+"),
                                            QRegularExpression::CaseInsensitiveOption);
    return pattern.match(address).hasMatch();
}

// ---------------------------------------------------------------- the window

WelcomeWindow::WelcomeWindow(platform::UserDefaults& defaults, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint)
    , m_defaults(defaults)
{
    setAttribute(Qt::WA_TranslucentBackground);
    setWindowTitle(tr("Welcome to Zelvor"));
    setFixedSize(WindowSize);
    setFocusPolicy(Qt::StrongFocus);

    m_backgroundView = new WelcomeWindowBackgroundView(this);
    m_backgroundView->setGeometry(rect());
    m_flippedView = new RBFlippedView(m_backgroundView);
    m_flippedView->setGeometry(m_backgroundView->rect());
    m_flippedView->setAutoFillBackground(true);
    QPalette palette = m_flippedView->palette();
    palette.setColor(QPalette::Window, hex(kBase));
    m_flippedView->setPalette(palette);
    QPainterPath rounded;
    rounded.addRoundedRect(QRectF(m_flippedView->rect()), 6, 6);
    m_flippedView->setMask(QRegion(rounded.toFillPolygon().toPolygon()));

    loadUI();
}

WelcomeWindow::~WelcomeWindow() = default;

void WelcomeWindow::setHelpMenu(QMenu* menu)
{
    if (m_helpMenu && m_helpMenu != menu)
        m_helpMenu->deleteLater();
    m_helpMenu = menu;
    if (!menu) {
        delete m_menuButton.data();
        return;
    }
    if (m_menuButton)
        return;
    // Beside the close button, on both screens: the sign-up screen of a first start has no
    // other way to About.
    m_menuButton = textButton(QRect(30, 1, 30, 30), QStringLiteral("?"), 16, this);
    m_menuButton->setToolTip(tr("Help and About Zelvor Studio (F10)"));
    connect(m_menuButton, &SimpleButton::clicked, this, &WelcomeWindow::showHelpMenu);
    m_menuButton->show();
    m_menuButton->raise();
}

void WelcomeWindow::showHelpMenu()
{
    if (!m_helpMenu)
        return;
    const QPoint at = m_menuButton ? m_menuButton->mapToGlobal(QPoint(0, m_menuButton->height())) : mapToGlobal(QPoint(30, 31));
    m_helpMenu->popup(at);
}

void WelcomeWindow::contextMenuEvent(QContextMenuEvent* event)
{
    if (!m_helpMenu)
        return QWidget::contextMenuEvent(event);
    m_helpMenu->popup(event->globalPos());
    event->accept();
}

bool WelcomeWindow::shouldShowWelcomeScreen(const platform::UserDefaults& defaults)
{
    using K = WelcomeControllerConstants;
    const QVariant contact = defaults.objectForKey(K::WelcomeWindowUserContactSucces);
    if (isTrueNumber(contact))
        return true;
    if (defaults.objectForKey(K::WelcomeWindowUserEmail).typeId() == QMetaType::QString)
        return true;
    const QVariant skips = defaults.objectForKey(K::WelcomeWindowSkipCount);
    return skips.typeId() == QMetaType::QVariantList && skips.toList().size() > 2;
}

void WelcomeWindow::appendDate(const QString& key, int* count)
{
    const QVariant stored = m_defaults.objectForKey(key);
    QVariantList dates = stored.typeId() == QMetaType::QVariantList ? stored.toList() : QVariantList();
    dates.append(QDateTime::currentDateTimeUtc());
    m_defaults.setObject(key, dates);
    m_defaults.synchronize();
    if (count)
        *count = int(dates.size());
}

void WelcomeWindow::loadUI()
{
    if (shouldShowWelcomeScreen(m_defaults)) {
        m_screen = Screen::Welcome;
        addRecentsSidebar(false);
        addWelcomeText(false);
        addExamples(false);
        addCloseButton(false);
        addColumns(false);
        addShowOnStartupButton(false);
        return;
    }
    m_screen = Screen::Signup;
    int shown = 0;
    appendDate(WelcomeControllerConstants::WelcomeWindowSignupShown, &shown);
    WelcomeAnalytics(m_defaults).track(QStringLiteral("app.welcome.signup.shown"), {{QStringLiteral("count"), shown}},
                                       shown);
    addZelvorIcon();
    addSignupText();
    addEmailTextFields();
    addEmailCourseCheckBoxButton();
    addSkipButton();
}

// ---------------------------------------------------------------- sign-up screen

void WelcomeWindow::addZelvorIcon()
{
    m_appIconImageView = new DraggableImageView(QRect(140, 104, 128, 128), m_flippedView);
    m_appIconImageView->setImage(imageNamed(QStringLiteral("AppIcon")));
}

void WelcomeWindow::addSignupText()
{
    m_signupText = new DraggableImageView(QRect(312, 104, 344, 110), m_flippedView);
    m_signupText->setImage(imageNamed(QStringLiteral("welcome-window-copy")));
}

void WelcomeWindow::addEmailTextFields()
{
    m_nameInputField = new WelcomeWindowRoundedTextFieldView(QRect(112, 312, 184, 40), tr("Full Name"), m_flippedView);
    m_emailInputField = new WelcomeWindowRoundedTextFieldView(QRect(312, 312, 184, 40), tr("Email"), m_flippedView);
    for (auto* field : {m_nameInputField.data(), m_emailInputField.data()})
        connect(field, &WelcomeWindowRoundedTextFieldView::newLinePressed, this,
                &WelcomeWindow::newLinePressedInTextField);
    setTabOrder(m_nameInputField->textField(), m_emailInputField->textField());

    m_getStartedButton = new SimpleButton(QRect(512, 312, 184, 40), m_flippedView);
    m_getStartedButton->setTitle(tr("Get Started"));
    m_getStartedButton->setBackgroundColor(hex("28AFFA"), SimpleButtonState::Normal);
    m_getStartedButton->setBackgroundColor(QColor::fromRgbF(0.15f, 0.63f, 0.89f, 1.0f), SimpleButtonState::Pressed);
    m_getStartedButton->setTitleColor(QColor(Qt::white), SimpleButtonState::Normal);
    m_getStartedButton->setCornerRadius(3);
    connect(m_getStartedButton, &SimpleButton::clicked, this, &WelcomeWindow::getStartedButtonPressed);
    m_nameInputField->setFocus();
}

void WelcomeWindow::addEmailCourseCheckBoxButton()
{
    m_subSubLabel = new AntiAliasedLabel(QRect(112, 373, 584, 26), tr("Private and spam-free. Unsubscribe anytime."),
                                         systemFontOfSize(11, FontWeight::Light), hex("414146"), hex(kBase),
                                         Qt::AlignHCenter, 0.4, m_flippedView);
    m_emailCourseCheckBoxButton = new WelcomeWindowEmailCourseButton(
        QRect(224, 357, 584, 26), tr("Send me helpful articles and keep me up to date on Zelvor."), m_flippedView);
    connect(m_emailCourseCheckBoxButton, &WelcomeWindowEmailCourseButton::clicked, m_emailCourseCheckBoxButton,
            &WelcomeWindowEmailCourseButton::toggle);
    // Consent is the user's own tick.
    m_emailCourseCheckBoxButton->setState(CheckboxState::Unchecked);
}

void WelcomeWindow::addSkipButton()
{
    m_skipButton = textButton(QRect(width() - 54, 0, 54, 36), tr("Skip"), 12, m_flippedView);
    connect(m_skipButton, &SimpleButton::clicked, this, &WelcomeWindow::skipButtonPressed);
}

bool WelcomeWindow::emailIsValid() const
{
    return m_emailInputField && isValidEmailAddress(m_emailInputField->textField()->text());
}

void WelcomeWindow::showInvalidEmailMessage()
{
    if (m_invalidEmailLabel)
        return;
    m_invalidEmailLabel = new AntiAliasedLabel(QRect(310, 280, 200, 40), tr("Please type again, invalid address"),
                                               systemFontOfSize(11, FontWeight::Light), hex("62626B"), hex(kBase),
                                               Qt::AlignLeft, 0.0, m_flippedView);
    m_invalidEmailLabel->show();
}

void WelcomeWindow::newLinePressedInTextField(WelcomeWindowRoundedTextFieldView* field)
{
    if (field && field == m_nameInputField && m_emailInputField)
        m_emailInputField->textField()->setFocus();
    else if (field && field == m_emailInputField)
        getStartedButtonPressed();
}

void WelcomeWindow::getStartedButtonPressed()
{
    if (m_screen != Screen::Signup || m_transitioning)
        return;
    if (!emailIsValid()) {
        shake();
        showInvalidEmailMessage();
        if (m_emailInputField) {
            m_emailInputField->textField()->setFocus();
            m_emailInputField->highlight(true);
        }
        return;
    }
    using K = WelcomeControllerConstants;
    const QString name = m_nameInputField ? trimSpacesAndTabs(m_nameInputField->textField()->text()) : QString();
    const QString email = trimSpacesAndTabs(m_emailInputField->textField()->text());
    m_defaults.setString(K::WelcomeWindowUserName, name);
    m_defaults.setString(K::WelcomeWindowUserEmail, email);
    const bool consent = m_emailCourseCheckBoxButton && m_emailCourseCheckBoxButton->checkBoxState() == CheckboxState::Checked;
    m_defaults.setBool(K::WelcomeWindowSignupConsent, consent);
    m_defaults.synchronize();

    WelcomeAnalytics analytics(m_defaults);
    if (analytics.isEnabled()) {
        analytics.peopleSetOnce({{QStringLiteral("$email"), email}, {QStringLiteral("$name"), name}});
        analytics.peopleSet({{QStringLiteral("Subscription Name"), name}, {QStringLiteral("Subscription Email"), email}});
        analytics.trackEvent(QStringLiteral("app.welcome.signup.info.completed"));
        WelcomeWindowController::sendContactInfoToCompaignMonitorIsPossible(m_defaults);
        analytics.trackWeb(QStringLiteral("app.welcome.signup.info.completed"));
    }
    startTransition();
}

void WelcomeWindow::skipButtonPressed()
{
    if (m_screen != Screen::Signup || m_transitioning)
        return;
    int skips = 0;
    appendDate(WelcomeControllerConstants::WelcomeWindowSkipCount, &skips);
    WelcomeAnalytics(m_defaults).track(QStringLiteral("app.welcome.signup.skipped"),
                                       {{QStringLiteral("count"), skips}}, skips);
    startTransition();
}

void WelcomeWindow::startTransition()
{
    if (m_screen != Screen::Signup || m_transitioning)
        return;
    m_transitioning = true;
    m_movableByBackground = false;
    const QList<QWidget*> signupViews = {m_signupText, m_appIconImageView, m_nameInputField,
                                         m_emailInputField, m_getStartedButton, m_emailCourseCheckBoxButton,
                                         m_subSubLabel, m_skipButton, m_invalidEmailLabel};
    for (QWidget* view : signupViews)
        if (view)
            fadeOutAndDelete(view, 0.2);

    afterDelay(this, 0.15, [this] {
        m_screen = Screen::Welcome;
        addWelcomeText(true);
        addRecentsSidebar(true);
    });
    afterDelay(this, 0.25, [this] { addExamples(true); });
    afterDelay(this, 0.40, [this] {
        addColumns(true);
        addCloseButton(true);
        addShowOnStartupButton(true);
    });
    afterDelay(this, 0.80, [this] { m_movableByBackground = true; });
    afterDelay(this, 1.80, [this] {
        m_transitioning = false;
        if (m_recentsTableView)
            m_recentsTableView->setFocus();
    });
}

void WelcomeWindow::shake()
{
    ++m_shakeCount;
    const QPoint origin = pos();
    const int step = std::max(1, int(width() * 0.01));
    auto* animation = new QPropertyAnimation(this, "pos", this);
    animation->setDuration(200); // two rounds of 0.1 s
    animation->setStartValue(origin);
    const QList<QPoint> frames = {origin - QPoint(step, 0), origin + QPoint(step, 0), origin - QPoint(step, 0)};
    for (int round = 0; round < 2; ++round)
        for (int i = 0; i < frames.size(); ++i)
            animation->setKeyValueAt((round * 4 + i + 1) / 8.0, frames[i]);
    animation->setKeyValueAt(0.5, origin);
    animation->setEndValue(origin);
    animation->start(QAbstractAnimation::DeleteWhenStopped);
}

// ---------------------------------------------------------------- welcome screen

void WelcomeWindow::addWelcomeText(bool animate)
{
    const int w = width() - SideBarWidth;
    m_welcomeLabel = new AntiAliasedLabel(QRect(0, 41, w, 38), tr("Welcome to Zelvor"),
                                          systemFontOfSize(32, FontWeight::Ultralight), Qt::white, hex(kBase),
                                          Qt::AlignHCenter, 1.0, m_flippedView);
    m_welcomeLabel->show();
    const QString version = QCoreApplication::applicationVersion();
    if (!version.isEmpty()) {
        m_subTitleLabel = new AntiAliasedLabel(QRect(0, 80, w, 20), QStringLiteral("Studio ") + version,
                                               systemFontOfSize(12, FontWeight::Light), hex("62626B"), hex(kBase),
                                               Qt::AlignHCenter, 0.0, m_flippedView);
        m_subTitleLabel->show();
    }
    if (!animate)
        return;
    fadeIn(m_welcomeLabel, 0, 0.3);
    if (m_subTitleLabel)
        fadeIn(m_subTitleLabel, 0.2, 0.3);
}

void WelcomeWindow::addExamples(bool animate)
{
    m_examplesView = new QWidget(m_flippedView);
    m_examplesView->setGeometry(40, 144, 488, 132);
    const QStringList titles = {QStringLiteral("Animate"), QStringLiteral("Drag"), QStringLiteral("Scroll"),
                                QStringLiteral("Page")};
    for (int i = 0; i < titles.size(); ++i) {
        auto* tile = new WelcomeWindowExampleView(QRect(128 * i, 0, 104, 132), titles[i], m_examplesView);
        if (animate)
            fadeIn(tile, 0.1 * i, 0.3);
    }
    m_examplesView->show();
}

void WelcomeWindow::addColumns(bool animate)
{
    auto* learn = new WelcomeWindowColumnView(
        QRect(40, 332, 224, 104), tr("Learn to Prototype"),
        tr("Zelvor has extensive guides to help\nyou understand prototyping."), tr("Learn Zelvor"), false,
        websitePage(QStringLiteral("/learn")), m_flippedView);
    auto* community = new WelcomeWindowColumnView(
        QRect(295, 332, 224, 104), tr("Become a Member"), tr("Join our growing community of\n11.059 amazing prototypers."),
        tr("Join Now"), true, websitePage(QStringLiteral("/community")), m_flippedView);
    learn->show();
    community->show();
    if (!animate)
        return;
    fadeIn(learn, 0, 0.3);
    fadeIn(community, 0.1, 0.3);
}

void WelcomeWindow::addCloseButton(bool animate)
{
    auto* close = new ImageMouseOverButton(QRect(0, 1, 30, 30), QStringLiteral("close"), QStringLiteral("closeActive"),
                                           m_flippedView);
    close->setBackgroundColor(hex(kBase));
    close->setToolTip(tr("Close"));
    connect(close, &ImageMouseOverButton::clicked, this, &WelcomeWindow::performClose);
    close->show();
    if (animate)
        fadeIn(close, 0, 0.3);
}

void WelcomeWindow::addShowOnStartupButton(bool animate)
{
    // A strip under the main area holds the start-up checkbox.
    auto* strip = new QWidget(m_flippedView);
    strip->setGeometry(0, height() - BottomBarHeight, width() - SideBarWidth, BottomBarHeight);
    strip->setAutoFillBackground(true);
    QPalette palette = strip->palette();
    palette.setColor(QPalette::Window, hex("151517"));
    strip->setPalette(palette);
    m_showOnStartupButton =
        new WelcomeWindowShowOnStartupButton(QRect(16, 3, 0, 26), tr("Show this window when Zelvor starts"), strip);
    m_showOnStartupButton->setState(WelcomeWindowController::shouldShowOnStartup(m_defaults) ? CheckboxState::Checked
                                                                                             : CheckboxState::Unchecked);
    connect(m_showOnStartupButton, &WelcomeWindowShowOnStartupButton::clicked, this,
            [this] { toggleShowOnStartup(m_showOnStartupButton); });
    strip->show();
    strip->lower();
    if (animate)
        fadeIn(strip, 0, 0.3);
}

void WelcomeWindow::addRecentsSidebar(bool animate)
{
    const int x = width() - SideBarWidth;
    loadRecentFiles();
    m_recentsScrollView = new QWidget(m_flippedView);
    m_recentsScrollView->setGeometry(x, 0, SideBarWidth, height() - BottomBarHeight);
    m_recentsScrollView->setAutoFillBackground(true);
    QPalette white = m_recentsScrollView->palette();
    white.setColor(QPalette::Window, Qt::white);
    m_recentsScrollView->setPalette(white);

    m_recentsTableView = new WelcomeWindowRecentsTableView(m_recentsScrollView);
    m_recentsTableView->setGeometry(m_recentsScrollView->rect());
    m_recentsTableView->setWelcomeWindow(this);
    connect(m_recentsTableView, &WelcomeWindowRecentsTableView::rowActivated, this, &WelcomeWindow::openRecentFile);
    connect(m_recentsTableView, &WelcomeWindowRecentsTableView::removeRequested, this,
            &WelcomeWindow::removeRecentDocument);
    reload();

    m_bottomBar = new RBFlippedView(m_flippedView);
    m_bottomBar->setGeometry(x, height() - BottomBarHeight, SideBarWidth, BottomBarHeight);
    m_bottomBar->setAutoFillBackground(true);
    m_bottomBar->setPalette(white);
    auto* rule = new QWidget(m_bottomBar);
    rule->setGeometry(0, 0, SideBarWidth, 1);
    rule->setAutoFillBackground(true);
    QPalette rulePalette = rule->palette();
    rulePalette.setColor(QPalette::Window, QColor::fromRgbF(0.9f, 0.9f, 0.9f));
    rule->setPalette(rulePalette);
    auto* open = new WelcomeWindowOpenProjectButton(QRect(8, 4, 0, 22), tr("Open prototype..."), m_bottomBar);
    connect(open, &WelcomeWindowOpenProjectButton::clicked, this, &WelcomeWindow::openFile);
    auto* newButton = new ImageMouseOverButton(QRect(SideBarWidth - 32 - 1, 2, 30, 30), QStringLiteral("icon-new"),
                                               QStringLiteral("icon-new"), m_bottomBar);
    newButton->setToolTip(tr("New prototype"));
    connect(newButton, &ImageMouseOverButton::clicked, this, &WelcomeWindow::newPrototype);

    m_recentsScrollView->show();
    m_bottomBar->show();
    if (!animate)
        return;
    slideIn(m_recentsScrollView, m_recentsScrollView->pos() + QPoint(SideBarWidth, 0), 0.3, [this] {
        if (m_recentsTableView)
            m_recentsTableView->setFocus();
    });
    slideIn(m_bottomBar, m_bottomBar->pos() + QPoint(SideBarWidth, 0), 0.3);
}

// ---------------------------------------------------------------- recent documents

void WelcomeWindow::loadRecentFiles()
{
    m_recentDocuments = platform::DocumentController::sharedDocumentController().recentDocumentURLs();
    if (!m_recentsTableView)
        return;
    QList<bool> missing;
    for (const QString& path : m_recentDocuments)
        missing.append(!QFileInfo(path).isDir());
    m_recentsTableView->setRecentDocuments(m_recentDocuments, missing);
    if (!m_recentDocuments.isEmpty())
        m_recentsTableView->selectRow(0);
}

void WelcomeWindow::reload()
{
    loadRecentFiles();
    showOrHideNoRecentFileInfo();
}

void WelcomeWindow::showOrHideNoRecentFileInfo()
{
    if (!m_recentsTableView)
        return;
    if (!m_recentDocuments.isEmpty()) {
        if (m_noRecentDocumentsView)
            m_noRecentDocumentsView->hide();
        return;
    }
    if (!m_noRecentDocumentsView)
        m_noRecentDocumentsView =
            new WelcomeWindowNoRecentDocumentsView(QRect(0, 169, SideBarWidth, 49), m_recentsTableView->viewport());
    m_noRecentDocumentsView->show();
}

void WelcomeWindow::openRecentFile()
{
    if (!m_recentsTableView || m_recentDocuments.isEmpty())
        return;
    const int row = m_recentsTableView->selectedRow();
    if (row < 0 || row >= m_recentDocuments.size())
        return;
    const QString path = m_recentDocuments[row];
    if (path.isEmpty())
        return;
    if (!QFileInfo(path).isDir()) {
        openMissingRecentFile(path);
        return;
    }
    // Closed first: a failed open (answered at once) brings the window back.
    close();
    QPointer<WelcomeWindow> self(this);
    auto& controller = platform::DocumentController::sharedDocumentController();
    controller.openDocumentWithContentsOfURL(path, true, [self](platform::Document* document, bool, const QString& error) {
        if (document || !self)
            return;
        // Nothing opened: say why and come back, so the user is not left without a window.
        platform::Alert alert;
        alert.setMessageText(QObject::tr("The prototype could not be opened."));
        alert.setInformativeText(error);
        alert.addButton(QObject::tr("OK"));
        alert.runModal();
        if (self && platform::DocumentController::sharedDocumentController().documents().isEmpty()) {
            self->reload();
            self->show();
            self->raise();
            self->activateWindow();
        }
    });
    if (self)
        reload();
}

void WelcomeWindow::openMissingRecentFile(const QString& path)
{
    platform::Alert alert;
    alert.setMessageText(tr("The prototype “%1” can no longer be found.").arg(QFileInfo(path).fileName()));
    alert.setInformativeText(tr("It was moved, renamed or deleted from %1. Remove it from the recent prototypes?")
                                 .arg(WelcomeWindowRecentsRowView::abbreviatedFolder(path)));
    alert.addButton(tr("Remove"));
    alert.addButton(tr("Cancel"));
    if (alert.runModalSheetForWindow(this) == platform::Alert::kFirstButtonReturn)
        removeRecentDocument(path);
}

void WelcomeWindow::removeRecentDocument(const QString& path)
{
    auto& controller = platform::DocumentController::sharedDocumentController();
    const int row = int(m_recentDocuments.indexOf(path));
    controller.removeRecentDocumentURL(path);
    reload();
    if (m_recentsTableView && !m_recentDocuments.isEmpty())
        m_recentsTableView->selectRow(std::clamp(row, 0, int(m_recentDocuments.size()) - 1));
}

// ---------------------------------------------------------------- window commands

void WelcomeWindow::newPrototype()
{
    close();
    platform::DocumentController::sharedDocumentController().newDocument();
}

void WelcomeWindow::openFile()
{
    close();
    platform::DocumentController::sharedDocumentController().openDocument();
}

void WelcomeWindow::performClose()
{
    close();
}

void WelcomeWindow::toolbarDocs()
{
    if (m_showDocumentation)
        m_showDocumentation();
}

bool WelcomeWindow::validateMenuItem(const QString& action) const
{
    return action == QStringLiteral("performClose:") || action == QStringLiteral("toolbarDocs:");
}

void WelcomeWindow::toggleShowOnStartup(WelcomeWindowShowOnStartupButton* sender)
{
    const bool show = !WelcomeWindowController::shouldShowOnStartup(m_defaults);
    m_defaults.setBool(WelcomeControllerConstants::WelcomeWindowShowOnStartup, show);
    m_defaults.synchronize();
    if (sender)
        sender->setState(WelcomeWindowController::shouldShowOnStartup(m_defaults) ? CheckboxState::Checked
                                                                                 : CheckboxState::Unchecked);
}

void WelcomeWindow::keyPressEvent(QKeyEvent* event)
{
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && m_screen == Screen::Welcome
        && !m_transitioning) {
        openRecentFile();
        return;
    }
    if (event->matches(QKeySequence::Close) || event->key() == Qt::Key_Escape) {
        performClose();
        return;
    }
    // The keys that open a window's menu on this desktop.
    if ((event->key() == Qt::Key_F10 && (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier)
        || event->key() == Qt::Key_Menu) {
        showHelpMenu();
        return;
    }
    QWidget::keyPressEvent(event);
}

// ---------------------------------------------------------------- moving and placing

void WelcomeWindow::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || !m_movableByBackground)
        return QWidget::mousePressEvent(event);
    if (moveWindowByDragging(this))
        return;
    m_dragging = true;
    m_dragOffset = event->globalPosition().toPoint() - pos();
}

void WelcomeWindow::mouseMoveEvent(QMouseEvent* event)
{
    if (m_dragging && (event->buttons() & Qt::LeftButton))
        move(event->globalPosition().toPoint() - m_dragOffset);
}

void WelcomeWindow::mouseReleaseEvent(QMouseEvent* event)
{
    m_dragging = false;
    QWidget::mouseReleaseEvent(event);
}

void WelcomeWindow::showEvent(QShowEvent* event)
{
    loadRecentFiles();
    showOrHideNoRecentFileInfo();
    QWidget::showEvent(event);
}

bool WelcomeWindow::event(QEvent* event)
{
    if (event->type() == QEvent::WindowActivate)
        keepOnScreen();
    return QWidget::event(event);
}

void WelcomeWindow::keepOnScreen()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect visible = screen->availableGeometry();
    const QRect frame = frameGeometry();
    if (frame.left() < 0 || visible.width() < frame.left() + frame.width() || frame.top() < 0
        || visible.height() < frame.top() + frame.height())
        centerOnScreen();
}

void WelcomeWindow::centerOnScreen()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect visible = screen->availableGeometry();
    move(visible.center() - QPoint(width() / 2, height() / 2));
}

} // namespace welcome
