#pragma once

#include "autocomplete/KVDocsLinkButton.h"
#include "autocomplete/KVAntialiasedLabel.h"

#include <QPointer>
#include <QString>
#include <QWidget>

#include <optional>

// The description of the selected completion, under (or above) the list, wrapped onto as many
// lines as it needs, with a documentation button for members of the prototyping library. A 1-pixel line separates it from
// the list: at its top when the panel is below the list, at its bottom when above.
class KVAutoCompletionExtraInfoView : public QWidget {
    Q_OBJECT
public:
    explicit KVAutoCompletionExtraInfoView(QWidget* parent = nullptr);

    // Shows the text; `anchorLink` is the item's description key, which opens the documentation
    // when it has an anchor there. `fontSize` is the editor's stored font size.
    void setDescription(const QString& text, const QString& anchorLink, std::optional<double> fontSize);
    // The panel's height at a width: that of one line (`oneLineHeight`) and a line more for
    // each line the text wraps onto. The documentation button keeps the one line's size.
    double panelHeightForWidth(double width, double oneLineHeight);
    bool borderAtBottom() const { return m_borderAtBottom; }
    void setBorderAtBottom(bool atBottom);

    QString description() const;
    const QString& currentAnchor() const { return m_currentAnchor; }
    KVAntialiasedLabel* textField() const { return m_textField; }
    KVDocsLinkButton* docsLinkButton() const { return m_docsLinkButton; }

Q_SIGNALS:
    // The documentation button was clicked for the current anchor.
    void docsLinkClicked(const QString& anchor);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void addDocsLinkForFontSize(double fontSize);
    void layoutSubviews();
    double textMargin() const { return (m_fontSize - 9) * 0.5 + 6; }

    bool m_borderAtBottom = false;
    QPointer<KVAntialiasedLabel> m_textField;
    QPointer<KVDocsLinkButton> m_docsLinkButton;
    QString m_currentAnchor;
    double m_fontSize = 12;
    double m_oneLineHeight = 0;
};
