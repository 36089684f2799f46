#include "CodeTextView/KVFindBar.h"

#include "CodeTextView/KVCodeTextView.h"
#include "CodeTextView/TextSearch.h"

#include <QApplication>
#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>

KVFindBar::KVFindBar(KVCodeTextView* textView, QWidget* parent)
    : QWidget(parent)
    , m_textView(textView)
{
    setObjectName(QStringLiteral("findBar"));
    setAutoFillBackground(true);
    // Light text on the bar's dark ground, whatever the desktop's theme: the count and the
    // switches must be readable beside the dark code.
    QPalette colours = palette();
    colours.setColor(QPalette::Window, QColor(0x2B, 0x2B, 0x2F));
    colours.setColor(QPalette::WindowText, QColor(0xE4, 0xE4, 0xE8));
    colours.setColor(QPalette::Text, QColor(0xF2, 0xF2, 0xF4));
    colours.setColor(QPalette::Base, QColor(0x1C, 0x1C, 0x1F));
    colours.setColor(QPalette::Button, QColor(0x3A, 0x3A, 0x3F));
    colours.setColor(QPalette::ButtonText, QColor(0xE4, 0xE4, 0xE8));
    colours.setColor(QPalette::PlaceholderText, QColor(0x9A, 0x9A, 0xA0));
    colours.setColor(QPalette::Disabled, QPalette::WindowText, QColor(0x8A, 0x8A, 0x90));
    setPalette(colours);
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(6, 4, 6, 4);
    grid->setHorizontalSpacing(6);
    grid->setVerticalSpacing(4);

    m_findField = new QLineEdit;
    m_findField->setObjectName(QStringLiteral("findField"));
    m_findField->setPlaceholderText(QStringLiteral("Find"));
    m_findField->setClearButtonEnabled(true);
    m_status = new QLabel;
    m_status->setObjectName(QStringLiteral("findStatus"));
    m_status->setMinimumWidth(m_status->fontMetrics().horizontalAdvance(QStringLiteral("000 of 000")));
    auto* previous = new QToolButton;
    previous->setText(QStringLiteral("\u25B2"));
    previous->setToolTip(QStringLiteral("Find Previous (Shift+F3)"));
    auto* next = new QToolButton;
    next->setText(QStringLiteral("\u25BC"));
    next->setToolTip(QStringLiteral("Find Next (F3)"));
    m_caseBox = new QCheckBox(QStringLiteral("Match Case"));
    m_caseBox->setObjectName(QStringLiteral("matchCase"));
    m_wordsBox = new QCheckBox(QStringLiteral("Whole Words"));
    m_wordsBox->setObjectName(QStringLiteral("wholeWords"));
    m_wordsBox->setToolTip(QStringLiteral("Match only whole words: \u201Cbox\u201D finds \u201Cbox.x\u201D, not \u201CInbox\u201D"));
    auto* done = new QToolButton;
    done->setText(QStringLiteral("Done"));
    done->setToolTip(QStringLiteral("Close the find bar (Esc)"));

    grid->addWidget(m_findField, 0, 0);
    grid->addWidget(m_status, 0, 1);
    grid->addWidget(previous, 0, 2);
    grid->addWidget(next, 0, 3);
    grid->addWidget(m_caseBox, 0, 4);
    grid->addWidget(m_wordsBox, 0, 5);
    grid->addWidget(done, 0, 6);

    m_replaceRow = new QWidget;
    auto* row = new QHBoxLayout(m_replaceRow);
    row->setContentsMargins(0, 0, 0, 0);
    m_replaceField = new QLineEdit;
    m_replaceField->setObjectName(QStringLiteral("replaceField"));
    m_replaceField->setPlaceholderText(QStringLiteral("Replace"));
    auto* replaceOne = new QPushButton(QStringLiteral("Replace"));
    auto* replaceEvery = new QPushButton(QStringLiteral("Replace All"));
    row->addWidget(m_replaceField, 1);
    row->addWidget(replaceOne);
    row->addWidget(replaceEvery);
    grid->addWidget(m_replaceRow, 1, 0, 1, 7);
    m_replaceRow->hide();

    connect(m_findField, &QLineEdit::textChanged, this, [this] {
        search();
        // Incremental: the first match from where the user is, while typing.
        if (m_textView && !m_matches.isEmpty()) {
            const TextRange selection = m_textView->selectedRange();
            selectMatch(textsearch::nextMatch(m_matches, {selection.location, 0}, true));
        }
    });
    connect(m_findField, &QLineEdit::returnPressed, this, [this] {
        if (QApplication::keyboardModifiers() & Qt::ShiftModifier)
            findPrevious();
        else
            findNext();
    });
    connect(m_replaceField, &QLineEdit::returnPressed, this, &KVFindBar::replace);
    connect(m_caseBox, &QCheckBox::toggled, this, [this] { search(); });
    connect(m_wordsBox, &QCheckBox::toggled, this, [this] { search(); });
    connect(previous, &QToolButton::clicked, this, &KVFindBar::findPrevious);
    connect(next, &QToolButton::clicked, this, &KVFindBar::findNext);
    connect(done, &QToolButton::clicked, this, &KVFindBar::close);
    connect(replaceOne, &QPushButton::clicked, this, &KVFindBar::replace);
    connect(replaceEvery, &QPushButton::clicked, this, &KVFindBar::replaceAll);
    if (m_textView)
        connect(m_textView->document(), &QTextDocument::contentsChanged, this, &KVFindBar::textChanged);
    hide();
}

void KVFindBar::showFind(bool replace)
{
    if (replace)
        m_replaceRow->show();
    show();
    m_findField->setFocus(Qt::ShortcutFocusReason);
    m_findField->selectAll();
    search();
}

void KVFindBar::close()
{
    hide();
    m_matches.clear();
    if (m_textView) {
        m_textView->setFindMatches({});
        m_textView->setFocus(Qt::OtherFocusReason);
    }
    Q_EMIT closed();
}

QString KVFindBar::findString() const
{
    return m_findField->text();
}

void KVFindBar::setFindString(const QString& text)
{
    m_findField->setText(text);
}

void KVFindBar::setReplaceString(const QString& text)
{
    m_replaceField->setText(text);
}

bool KVFindBar::isCaseSensitive() const
{
    return m_caseBox->isChecked();
}

void KVFindBar::setCaseSensitive(bool on)
{
    m_caseBox->setChecked(on);
}

bool KVFindBar::isWholeWords() const
{
    return m_wordsBox->isChecked();
}

void KVFindBar::setWholeWords(bool on)
{
    m_wordsBox->setChecked(on);
}

void KVFindBar::search()
{
    if (!m_textView)
        return;
    m_matches = textsearch::findAll(m_textView->string(), findString(), isCaseSensitive(), isWholeWords());
    m_textView->setFindMatches(isVisible() ? m_matches : QList<TextRange>());
    updateStatus(textsearch::matchAt(m_matches, m_textView->selectedRange()));
}

void KVFindBar::textChanged()
{
    // The marks follow the text as it is edited (not while a replace is under way).
    if (isVisible() && !m_replacing)
        search();
}

void KVFindBar::updateStatus(qsizetype current)
{
    if (findString().isEmpty())
        m_status->clear();
    else if (m_matches.isEmpty())
        m_status->setText(QStringLiteral("Not found"));
    else if (current >= 0)
        m_status->setText(QStringLiteral("%1 of %2").arg(current + 1).arg(m_matches.size()));
    else
        m_status->setText(m_matches.size() == 1 ? QStringLiteral("1 match") : QStringLiteral("%1 matches").arg(m_matches.size()));
}

void KVFindBar::selectMatch(qsizetype index)
{
    if (!m_textView || index < 0 || index >= m_matches.size()) {
        if (!findString().isEmpty())
            QApplication::beep();
        updateStatus(-1);
        return;
    }
    m_textView->setSelectedRange(m_matches[index]);
    m_textView->centerCursor();
    updateStatus(index);
}

void KVFindBar::findNext()
{
    if (!m_textView)
        return;
    search();
    selectMatch(textsearch::nextMatch(m_matches, m_textView->selectedRange(), true));
}

void KVFindBar::findPrevious()
{
    if (!m_textView)
        return;
    search();
    selectMatch(textsearch::nextMatch(m_matches, m_textView->selectedRange(), false));
}

void KVFindBar::useSelectionForFind()
{
    if (!m_textView)
        return;
    const TextRange selection = m_textView->selectedRange();
    if (selection.length == 0)
        return;
    const QSignalBlocker quiet(m_findField);
    m_findField->setText(m_textView->string().mid(selection.location, selection.length));
    search();
}

void KVFindBar::replace()
{
    if (!m_textView || m_textView->isReadOnly())
        return;
    search();
    // The selected match is replaced and the next one selected; without a selected match the
    // first step only goes to the next one, so that nothing unseen is replaced.
    const qsizetype current = textsearch::matchAt(m_matches, m_textView->selectedRange());
    if (current < 0) {
        findNext();
        return;
    }
    const TextRange replaced = m_matches[current];
    m_replacing = true;
    m_textView->replaceRanges({replaced}, m_replaceField->text());
    m_replacing = false;
    search();
    selectMatch(textsearch::nextMatch(m_matches, {replaced.location + m_replaceField->text().size(), 0}, true));
}

void KVFindBar::replaceAll()
{
    if (!m_textView || m_textView->isReadOnly())
        return;
    search();
    const qsizetype count = m_matches.size();
    if (count == 0) {
        QApplication::beep();
        return;
    }
    m_replacing = true;
    m_textView->replaceRanges(m_matches, m_replaceField->text());
    m_replacing = false;
    search();
    m_status->setText(count == 1 ? QStringLiteral("1 replaced") : QStringLiteral("%1 replaced").arg(count));
}

void KVFindBar::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}
