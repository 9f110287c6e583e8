#pragma once
// The words of the window's tooltips ("Name: value — what it does") and the filter that
// refreshes them just before one shows.

#include <QObject>
#include <QString>

#include <cstdint>
#include <functional>

class QLineEdit;
class UC_Check;

namespace app {

// Calls pRefresh when a watched widget is about to show its tooltip, so that what nobody
// watches for the tips (the file count, the progress) is current as well.
class ToolTipRefresh : public QObject {
  public:
    ToolTipRefresh(std::function<void()> pRefresh, QObject* pParent)
        : QObject(pParent), m_Refresh(std::move(pRefresh)) {}

  protected:
    bool eventFilter(QObject* pWatched, QEvent* pEvent) override;

  private:
    std::function<void()> m_Refresh;
};

QString Tip(const QString& pName, const QString& pValue, const QString& pWhat);
QString OnOff(int32_t pValue);
// "-45 dB" ("-23 LUFS" with pLufs); with pSigned a gain above zero shows its plus sign.
QString Decibels(int32_t pValue, bool pSigned = false, bool pLufs = false);
// The field's text with its unit, "(empty)" when blank.
QString Typed(const QLineEdit* pField, const QString& pUnit);
// A control that follows a switched-off box says so.
QString UnlessOff(const QString& pTip, const UC_Check* pBox);

} // namespace app
