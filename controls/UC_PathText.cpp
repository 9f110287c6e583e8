#include "controls/UC_PathText.h"

#include "controls/ControlFonts.h"
#include "services/core/Paths.h"
#include "services/ui/Pickers.h"

#include <QDropEvent>
#include <QFile>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QUrl>

namespace {

using platform::SystemColor;

std::string Utf8(const QString& pS) {
    return pS.toStdString();
}

} // namespace

UC_PathText::UC_PathText(QWidget* pParent)
    : QWidget(pParent), m_Text(new QLineEdit(this)), m_PickFolder(PickFolder),
      m_PickFile(PickFile) {
    m_Text->setObjectName(QStringLiteral("TextPath"));
    m_Text->installEventFilter(this);
    connect(m_Text, &QLineEdit::textChanged, this, [this] { emit TextChange(); });
    setAttribute(Qt::WA_OpaquePaintEvent);
    ApplyTextLock();
}

void UC_PathText::SetPickers(FolderPicker pFolder, FilePicker pFile) {
    m_PickFolder = std::move(pFolder);
    m_PickFile = std::move(pFile);
}

QString UC_PathText::Text() const {
    return m_Text->text();
}
void UC_PathText::SetText(const QString& pValue) {
    m_Text->setText(pValue);
}

void UC_PathText::SetEnabled(int32_t pValue) {
    m_Enabled = pValue;
    ApplyTextLock();
    DrawButton(0);
}

void UC_PathText::SetTextDisabled(int32_t pValue) {
    m_TextDisabled = pValue;
    ApplyTextLock();
}

void UC_PathText::SetExt(const QString& pValue) {
    m_Ext = pValue;
    m_Ext.remove(QLatin1Char('.'));
}

void UC_PathText::SetTextIMEMode(int32_t pValue) {
    m_ImeMode = pValue;
    // Paths are typed directly; input methods only when asked for.
    m_Text->setAttribute(Qt::WA_InputMethodEnabled, pValue != 0);
}

void UC_PathText::ApplyTextLock() {
    const bool locked = m_Enabled != -1 || m_TextDisabled == 1;
    m_Text->setReadOnly(locked);
    // A disabled box is greyed and takes neither the keyboard nor drops; a locked one only
    // refuses typing.
    m_Text->setEnabled(m_Enabled == -1);
    QPalette pal = m_Text->palette();
    QColor base = platform::ToQColor(
        SystemColor(locked ? platform::kColorButtonFace : platform::kColorWindow));
    if (m_MarkedInvalid && !locked) base = QColor(0xFF, 0xE0, 0xE0);
    pal.setColor(QPalette::Base, base);
    m_Text->setPalette(pal);
}

void UC_PathText::SetMarkedInvalid(bool pInvalid, const QString& pWhy) {
    m_MarkedInvalid = pInvalid;
    m_Text->setToolTip(pInvalid ? pWhy : QString());
    ApplyTextLock();
}

QString UC_PathText::DroppedPath(const QMimeData* pMime) const {
    if (!pMime || !pMime->hasUrls() || m_Usage == -1) return {};
    if (m_Enabled != -1 || m_TextDisabled == 1) return {};
    for (const QUrl& url : pMime->urls()) {
        if (!url.isLocalFile()) continue;
        const QString path = url.toLocalFile();
        const bool folder = FolderExists(QFile::encodeName(path).toStdString()) == 1;
        return folder == (m_Usage == 0) ? path : QString();
    }
    return {};
}

// Drags of local files: a folder (or a file, for the file pickers) gives its path instead of
// the text of its address; anything else of that kind is refused. True when handled here.
bool UC_PathText::TakeDragEvent(QEvent* pEvent) {
    auto* drag = static_cast<QDropEvent*>(pEvent);
    if (!drag->mimeData() || !drag->mimeData()->hasUrls()) return false;
    const QString path = DroppedPath(drag->mimeData());
    if (path.isEmpty() || !(drag->possibleActions() & Qt::CopyAction)) {
        drag->ignore();
        return true;
    }
    drag->setDropAction(Qt::CopyAction);
    drag->accept();
    if (pEvent->type() == QEvent::Drop) SetText(path);
    return true;
}

void UC_PathText::Init() {
    m_Canvas.SetFont(ControlFont(nullptr, 9, false));
    resizeEvent(nullptr);
}

QRect UC_PathText::ButtonArea() const {
    const int left = m_Text->geometry().right() + 2;
    return {left, 0, std::max(0, width() - 1 - left), height()};
}

void UC_PathText::resizeEvent(QResizeEvent*) {
    const int h = height();
    m_Text->setGeometry(0, 0, std::max(1, width() - h), h);
    DrawButton(m_ButtonPressed);
}

void UC_PathText::DrawButton(int pPressed) {
    m_ButtonPressed = pPressed;
    m_Canvas.SetBackColor(SystemColor(platform::kColorButtonFace));
    m_Canvas.Resize(width(), height());
    const QRect a = ButtonArea();
    if (a.width() > 0) {
        const int top = pPressed, bottom = a.height() - 1;
        m_Canvas.Line(a.left(), top, a.right(), top, SystemColor(platform::kColor3DHighlight));
        m_Canvas.Line(a.left(), bottom, a.right(), bottom,
                      SystemColor(platform::kColorButtonShadow));
        m_Canvas.Line(a.right(), top, a.right(), bottom, SystemColor(platform::kColorButtonShadow));
        const QString dots = QStringLiteral("...");
        const int x = a.left() + a.width() / 2 - m_Canvas.TextWidth(dots) / 2;
        const int y = a.height() / 2 - m_Canvas.TextHeight(QStringLiteral("|")) / 2 + pPressed;
        const Color ink =
            SystemColor(ButtonActive() ? platform::kColorButtonText : platform::kColorButtonShadow);
        m_Canvas.Print(x, y, dots, ink);
    }
    update();
}

std::string UC_PathText::StartFolder() const {
    if (!m_InitDir.isEmpty()) return Utf8(m_InitDir);
    return PathPart(Utf8(Text()), PathParts::Folder);
}

void UC_PathText::SelectButtonClick() {
    if (m_Usage == -1) {
        emit SelectButtonClicked();
        return;
    }
    std::string chosen;
    if (m_Usage == 0) {
        chosen = m_PickFolder ? m_PickFolder(StartFolder(), std::string(), this) : std::string();
    } else {
        const QString filter = (!m_Filter.isEmpty() || m_Ext.isEmpty())
                                   ? m_Filter
                                   : m_Ext + QStringLiteral("ファイル|*.") + m_Ext;
        chosen = m_PickFile
                     ? m_PickFile(this, m_Usage - 1, Utf8(filter), StartFolder(), Utf8(Text()), -1)
                     : std::string();
        if (!chosen.empty() && !m_Ext.isEmpty()) chosen = EnsureExtension(chosen, Utf8(m_Ext));
    }
    if (chosen.empty()) return;
    SetText(QString::fromStdString(chosen));
    emit SelectButtonClicked();
}

void UC_PathText::mousePressEvent(QMouseEvent* pEvent) {
    if (!ButtonActive() || pEvent->button() != Qt::LeftButton) return;
    if (ButtonArea().contains(pEvent->position().toPoint())) DrawButton(1);
}

void UC_PathText::mouseDoubleClickEvent(QMouseEvent* pEvent) {
    mousePressEvent(pEvent);
}

void UC_PathText::mouseReleaseEvent(QMouseEvent* pEvent) {
    if (!ButtonActive() || pEvent->button() != Qt::LeftButton || m_ButtonPressed == 0) return;
    DrawButton(0);
    SelectButtonClick();
}

// F4 or Alt+Down in the text opens the picker, as on a drop-down box: the "..."
// button itself takes no focus.
static bool IsPickerKey(const QEvent* pEvent) {
    if (pEvent->type() != QEvent::KeyPress) return false;
    const auto* key = static_cast<const QKeyEvent*>(pEvent);
    return key->key() == Qt::Key_F4 ||
           (key->key() == Qt::Key_Down && key->modifiers() == Qt::AltModifier);
}

bool UC_PathText::eventFilter(QObject* pWatched, QEvent* pEvent) {
    if (pWatched == m_Text && pEvent->type() == QEvent::MouseButtonDblClick) emit TextDblClicked();
    if (pWatched == m_Text && IsPickerKey(pEvent)) {
        if (ButtonActive()) SelectButtonClick();
        return true;
    }
    if (pWatched == m_Text &&
        (pEvent->type() == QEvent::DragEnter || pEvent->type() == QEvent::DragMove ||
         pEvent->type() == QEvent::Drop) &&
        TakeDragEvent(pEvent))
        return true;
    return QWidget::eventFilter(pWatched, pEvent);
}

void UC_PathText::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.drawImage(0, 0, m_Canvas.Image());
}
