#include "app/ToolTips.h"

#include "controls/UC_Check.h"

#include <QEvent>
#include <QLineEdit>

namespace app {

bool ToolTipRefresh::eventFilter(QObject*, QEvent* pEvent) {
    if (pEvent->type() == QEvent::ToolTip) m_Refresh();
    return false;
}

QString Tip(const QString& pName, const QString& pValue, const QString& pWhat) {
    return pName + QStringLiteral(": ") + pValue + QStringLiteral(" \u2014 ") + pWhat;
}

QString OnOff(int32_t pValue) {
    return pValue != 0 ? QStringLiteral("on") : QStringLiteral("off");
}

QString Decibels(int32_t pValue, bool pSigned, bool pLufs) {
    return (pSigned && pValue > 0 ? QStringLiteral("+") : QString()) + QString::number(pValue) +
           (pLufs ? QStringLiteral(" LUFS") : QStringLiteral(" dB"));
}

QString Typed(const QLineEdit* pField, const QString& pUnit) {
    const QString text = pField->text().trimmed();
    return text.isEmpty() ? QStringLiteral("(empty)") : text + pUnit;
}

QString UnlessOff(const QString& pTip, const UC_Check* pBox) {
    if (pBox->Value() != 0) return pTip;
    return pTip + QStringLiteral(" (off while \"") + pBox->Caption() + QStringLiteral("\" is off)");
}

} // namespace app
