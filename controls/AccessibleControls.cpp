#include "controls/AccessibleControls.h"

#include "controls/AccessibleBar.h"
#include "controls/AccessibleButtons.h"
#include "controls/AccessibleCheck.h"
#include "controls/AccessibleListView.h"
#include "controls/AccessibleSlider.h"
#include "controls/UC_Bar.h"
#include "controls/UC_Buttons.h"
#include "controls/UC_Check.h"
#include "controls/UC_ListView.h"
#include "controls/UC_PathText.h"
#include "controls/UC_Slider.h"
#include "controls/UC_TextPicture.h"

#include <QAccessibleWidget>
#include <QCoreApplication>
#include <QMouseEvent>

namespace {

// A value display: its texts are what it says.
class AccessibleTextPicture : public QAccessibleWidget {
  public:
    explicit AccessibleTextPicture(UC_TextPicture* pControl)
        : QAccessibleWidget(pControl, QAccessible::StaticText), m_Control(pControl) {}

    QString text(QAccessible::Text pKind) const override {
        if (pKind == QAccessible::Value) return Texts();
        if (pKind == QAccessible::Name && widget()->accessibleName().isEmpty()) return Texts();
        return QAccessibleWidget::text(pKind);
    }

  private:
    QString Texts() const {
        QStringList texts;
        for (int32_t i = 0; i < m_Control->NumTextSpaces(); ++i)
            if (!m_Control->TextMes(i).isEmpty()) texts << m_Control->TextMes(i);
        return texts.join(QLatin1Char(' '));
    }
    UC_TextPicture* m_Control;
};

// The path box: an editable text whose value is the path; its text box and
// picker button are its children.
class AccessiblePathText : public QAccessibleWidget {
  public:
    explicit AccessiblePathText(UC_PathText* pControl)
        : QAccessibleWidget(pControl, QAccessible::EditableText), m_Control(pControl) {}

    QString text(QAccessible::Text pKind) const override {
        if (pKind == QAccessible::Value) return m_Control->Text();
        return QAccessibleWidget::text(pKind);
    }
    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        s.editable = m_Control->Enabled() != 0 && m_Control->TextDisabled() == 0;
        s.readOnly = !s.editable;
        s.disabled = s.disabled || m_Control->Enabled() == 0;
        return s;
    }

  private:
    UC_PathText* m_Control;
};

QAccessibleInterface* MakeInterface(const QString& pClass, QObject* pObject) {
    if (pObject == nullptr || !pObject->isWidgetType()) return nullptr;
    // Only the exact class: the factory is asked once per class of the hierarchy.
    if (pClass == QLatin1String("UC_Check"))
        return new AccessibleCheck(static_cast<UC_Check*>(pObject));
    if (pClass == QLatin1String("UC_Slider"))
        return new AccessibleSlider(static_cast<UC_Slider*>(pObject));
    if (pClass == QLatin1String("UC_Buttons"))
        return new AccessibleButtons(static_cast<UC_Buttons*>(pObject));
    if (pClass == QLatin1String("UC_Bar")) return new AccessibleBar(static_cast<UC_Bar*>(pObject));
    if (pClass == QLatin1String("UC_TextPicture"))
        return new AccessibleTextPicture(static_cast<UC_TextPicture*>(pObject));
    if (pClass == QLatin1String("UC_PathText"))
        return new AccessiblePathText(static_cast<UC_PathText*>(pObject));
    if (pClass == QLatin1String("UC_ListView"))
        return new AccessibleListView(static_cast<UC_ListView*>(pObject));
    return nullptr;
}

} // namespace

void InstallAccessibleControls() {
    static const bool installed = [] {
        QAccessible::installFactory(MakeInterface);
        return true;
    }();
    (void)installed;
}

void ClickControlAt(QWidget* pControl, QPoint pAt) {
    const QPointF local(pAt);
    const QPointF global(pControl->mapToGlobal(pAt));
    QMouseEvent press(QEvent::MouseButtonPress, local, global, Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QCoreApplication::sendEvent(pControl, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, local, global, Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QCoreApplication::sendEvent(pControl, &release);
}

AccessibleChildren::~AccessibleChildren() {
    for (QAccessible::Id id : m_Ids)
        if (id != 0) QAccessible::deleteAccessibleInterface(id);
}

QAccessibleInterface* AccessibleChildren::Get(int pIndex,
                                              const std::function<QAccessibleInterface*()>& pMake) {
    if (pIndex < 0) return nullptr;
    if (size_t(pIndex) >= m_Ids.size()) m_Ids.resize(size_t(pIndex) + 1, 0);
    QAccessible::Id& id = m_Ids[size_t(pIndex)];
    if (id != 0)
        if (QAccessibleInterface* made = QAccessible::accessibleInterface(id)) return made;
    id = QAccessible::registerAccessibleInterface(pMake());
    return QAccessible::accessibleInterface(id);
}

int AccessibleChildren::IndexOf(const QAccessibleInterface* pChild) const {
    if (pChild == nullptr) return -1;
    for (size_t i = 0; i < m_Ids.size(); ++i)
        if (m_Ids[i] != 0 && QAccessible::accessibleInterface(m_Ids[i]) == pChild) return int(i);
    return -1;
}

QAccessibleInterface* OwnerInterface(QWidget* pOwner) {
    return pOwner ? QAccessible::queryAccessibleInterface(pOwner) : nullptr;
}
