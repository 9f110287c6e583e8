#include "controls/UC_PathText.h"

#include "controls/ControlFonts.h"
#include "services/core/Paths.h"
#include "services/ui/Pickers.h"

#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>

namespace {

using platform::SystemColor;

std::string Utf8(const QString& s) {
    return s.toStdString();
}

} // namespace

UC_PathText::UC_PathText(QWidget* parent)
    : QWidget(parent), text_(new QLineEdit(this)), pickFolder_(PickFolder), pickFile_(PickFile) {
    text_->setObjectName(QStringLiteral("TextPath"));
    text_->installEventFilter(this);
    connect(text_, &QLineEdit::textChanged, this, [this] { emit TextChange(); });
    setAttribute(Qt::WA_OpaquePaintEvent);
    ApplyTextLock();
}

void UC_PathText::SetPickers(FolderPicker folder, FilePicker file) {
    pickFolder_ = std::move(folder);
    pickFile_ = std::move(file);
}

QString UC_PathText::Text() const {
    return text_->text();
}
void UC_PathText::SetText(const QString& v) {
    text_->setText(v);
}

void UC_PathText::SetEnabled(int32_t v) {
    enabled_ = v;
    ApplyTextLock();
    DrawButton(0);
}

void UC_PathText::SetTextDisabled(int32_t v) {
    textDisabled_ = v;
    ApplyTextLock();
}

void UC_PathText::SetExt(const QString& v) {
    ext_ = v;
    ext_.remove(QLatin1Char('.'));
}

void UC_PathText::SetTextIMEMode(int32_t v) {
    imeMode_ = v;
    // Paths are typed directly; input methods only when asked for.
    text_->setAttribute(Qt::WA_InputMethodEnabled, v != 0);
}

void UC_PathText::ApplyTextLock() {
    const bool locked = enabled_ != -1 || textDisabled_ == 1;
    text_->setReadOnly(locked);
    QPalette pal = text_->palette();
    pal.setColor(QPalette::Base, platform::ToQColor(SystemColor(locked ? platform::kColorButtonFace
                                                                       : platform::kColorWindow)));
    text_->setPalette(pal);
}

void UC_PathText::Init() {
    canvas_.SetFont(ControlFont(nullptr, 9, false));
    resizeEvent(nullptr);
}

QRect UC_PathText::ButtonArea() const {
    const int left = text_->geometry().right() + 2;
    return {left, 0, std::max(0, width() - 1 - left), height()};
}

void UC_PathText::resizeEvent(QResizeEvent*) {
    const int h = height();
    text_->setGeometry(0, 0, std::max(1, width() - h), h);
    DrawButton(buttonPressed_);
}

void UC_PathText::DrawButton(int pressed) {
    buttonPressed_ = pressed;
    canvas_.SetBackColor(SystemColor(platform::kColorButtonFace));
    canvas_.Resize(width(), height());
    const QRect a = ButtonArea();
    if (a.width() > 0) {
        const int top = pressed, bottom = a.height() - 1;
        canvas_.Line(a.left(), top, a.right(), top, SystemColor(platform::kColor3DHighlight));
        canvas_.Line(a.left(), bottom, a.right(), bottom,
                     SystemColor(platform::kColorButtonShadow));
        canvas_.Line(a.right(), top, a.right(), bottom, SystemColor(platform::kColorButtonShadow));
        const QString dots = QStringLiteral("...");
        const int x = a.left() + a.width() / 2 - canvas_.TextWidth(dots) / 2;
        const int y = a.height() / 2 - canvas_.TextHeight(QStringLiteral("|")) / 2 + pressed;
        const Color ink =
            SystemColor(ButtonActive() ? platform::kColorButtonText : platform::kColorButtonShadow);
        canvas_.Print(x, y, dots, ink);
    }
    update();
}

std::string UC_PathText::StartFolder() const {
    if (!initDir_.isEmpty()) return Utf8(initDir_);
    return PathPart(Utf8(Text()), 1, 0, 0, 0, 0);
}

void UC_PathText::SelectButtonClick() {
    if (usage_ == -1) {
        emit SelectButtonClicked();
        return;
    }
    std::string chosen;
    if (usage_ == 0) {
        chosen = pickFolder_ ? pickFolder_(StartFolder(), std::string(), this) : std::string();
    } else {
        const QString filter = (!filter_.isEmpty() || ext_.isEmpty())
                                   ? filter_
                                   : ext_ + QStringLiteral("ファイル|*.") + ext_;
        chosen = pickFile_
                     ? pickFile_(this, usage_ - 1, Utf8(filter), StartFolder(), Utf8(Text()), -1)
                     : std::string();
        if (!chosen.empty() && !ext_.isEmpty()) chosen = EnsureExtension(chosen, Utf8(ext_));
    }
    if (chosen.empty()) return;
    SetText(QString::fromStdString(chosen));
    emit SelectButtonClicked();
}

void UC_PathText::mousePressEvent(QMouseEvent* e) {
    if (!ButtonActive() || e->button() != Qt::LeftButton) return;
    if (ButtonArea().contains(e->position().toPoint())) DrawButton(1);
}

void UC_PathText::mouseDoubleClickEvent(QMouseEvent* e) {
    mousePressEvent(e);
}

void UC_PathText::mouseReleaseEvent(QMouseEvent* e) {
    if (!ButtonActive() || e->button() != Qt::LeftButton || buttonPressed_ == 0) return;
    DrawButton(0);
    SelectButtonClick();
}

bool UC_PathText::eventFilter(QObject* watched, QEvent* e) {
    if (watched == text_ && e->type() == QEvent::MouseButtonDblClick) emit TextDblClicked();
    return QWidget::eventFilter(watched, e);
}

void UC_PathText::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.drawImage(0, 0, canvas_.Image());
}
