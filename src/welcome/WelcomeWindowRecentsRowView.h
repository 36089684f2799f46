#pragma once

#include "welcome/WelcomeWindowRecentsRowState.h"

#include <QImage>
#include <QWidget>

namespace welcome {

class SimpleButton;

// One recent project in the sidebar: its icon, its name and the folder that holds it (the
// home folder written "~"). A project whose folder is gone reads "Missing" under its name and
// offers a button that removes it from the list.
class WelcomeWindowRecentsRowView : public QWidget, public WelcomeWindowRowSelectionProtocol {
    Q_OBJECT
public:
    // `path` is the project folder; empty when the entry is not a location.
    WelcomeWindowRecentsRowView(const QString& path, bool missing, QWidget* parent = nullptr);

    QString data() const { return m_path; }
    bool isMissing() const { return m_missing; }
    QString titleText() const { return m_title; }
    QString pathText() const { return m_folder; }
    // What is drawn now, shortened with an ellipsis where it does not fit.
    QString shownTitle() const;
    QColor titleColor() const { return m_titleColor; }
    QColor pathColor() const { return m_pathColor; }
    QColor labelBackground() const { return m_background; }
    WelcomeWindowRecentsRowState rowState() const { return m_state; }
    SimpleButton* removeButton() const { return m_removeButton; }

    void setRowState(WelcomeWindowRecentsRowState state) override;

    // The folder of `path` with the home folder replaced by "~".
    static QString abbreviatedFolder(const QString& path);

Q_SIGNALS:
    void removeRequested(const QString& path);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QRect titleRect() const { return QRect(44, 5, width() - 54 - removeButtonRoom(), 20); }
    QRect pathRect() const { return QRect(44, 22, width() - 54 - removeButtonRoom(), 18); }
    int removeButtonRoom() const;

    QString m_path;
    bool m_missing = false;
    QString m_title;
    QString m_folder;
    QImage m_icon;
    QColor m_titleColor;
    QColor m_pathColor;
    QColor m_background;
    WelcomeWindowRecentsRowState m_state = WelcomeWindowRecentsRowState::Normal;
    SimpleButton* m_removeButton = nullptr;
};

} // namespace welcome
