#pragma once

#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyleOptionGroupBox>
#include <QWidget>

#include <string>
#include <vector>

// The captions among a dialog's controls (its direct children) that the controls cut off at
// the dialog's font, each described as "<control> \"<caption>\": <why>"; empty when all fit.
// Measures labels, buttons, line edits and group box titles as they are now: call it again
// after anything that changes their texts.
inline std::vector<std::string> ClippedCaptions(const QWidget& dialog)
{
    std::vector<std::string> clipped;
    const auto report = [&clipped](const QWidget* pControl, const QString& strText,
                                   const char* pszWhy) {
        clipped.push_back(pControl->objectName().toStdString() + " \"" + strText.toStdString() +
                          "\": " + pszWhy);
    };
    for (QWidget* pControl : dialog.findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
        QString strText;
        int nRoom = pControl->width();
        if (auto* pLabel = qobject_cast<QLabel*>(pControl)) {
            strText = pLabel->text();
            nRoom -= 2 * pLabel->frameWidth();
            // A caption that wraps onto a line more than the control holds loses it below the
            // control's edge; one that wraps is cut where a single word is wider than the control.
            if (pLabel->wordWrap() && !strText.isEmpty()) {
                if (pLabel->heightForWidth(pLabel->width()) > pLabel->height())
                    report(pControl, strText, "wraps below the control");
                if (pLabel->heightForWidth(pLabel->width()) > pLabel->fontMetrics().height()) {
                    for (const QString& strWord : strText.split(QLatin1Char(' ')))
                        if (pLabel->fontMetrics().horizontalAdvance(strWord) > nRoom)
                            report(pControl, strWord, "a word wider than the control");
                    continue;
                }
            }
        } else if (auto* pButton = qobject_cast<QPushButton*>(pControl)) {
            strText = pButton->text().remove(QLatin1Char('&'));
            nRoom -= 4; // the button's bevel on each side
        } else if (auto* pEdit = qobject_cast<QLineEdit*>(pControl)) {
            strText = pEdit->text();
            // The style's frame and the edit's own margin of two pixels on each side.
            if (pEdit->hasFrame())
                nRoom -=
                    2 * pEdit->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, pEdit);
            nRoom -= 4;
        } else if (auto* pGroup = qobject_cast<QGroupBox*>(pControl)) {
            // The style places the title; it must lie within the box.
            QStyleOptionGroupBox option;
            option.initFrom(pGroup);
            option.text = pGroup->title();
            option.textAlignment = pGroup->alignment();
            option.subControls = QStyle::SC_GroupBoxFrame | QStyle::SC_GroupBoxLabel;
            const QRect rcLabel = pGroup->style()->subControlRect(QStyle::CC_GroupBox, &option,
                                                                  QStyle::SC_GroupBoxLabel, pGroup);
            if (!pGroup->rect().contains(rcLabel))
                report(pControl, pGroup->title(), "title outside the box");
            if (rcLabel.width() < pGroup->fontMetrics().horizontalAdvance(pGroup->title()))
                report(pControl, pGroup->title(), "title wider than its place");
            continue;
        }
        if (strText.isEmpty())
            continue;
        const QFontMetrics metrics(pControl->font());
        if (metrics.horizontalAdvance(strText) > nRoom)
            report(pControl, strText, "wider than the control");
        if (metrics.height() > pControl->height())
            report(pControl, strText, "taller than the control");
    }
    return clipped;
}
