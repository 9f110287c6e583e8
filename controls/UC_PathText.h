#pragma once

#include "controls/DrawHelpers.h"

#include <QString>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <string>

class QLineEdit;

// A text box holding a file or folder path with a "..." button at its right
// end that opens a folder or file picker.
class UC_PathText : public QWidget {
    Q_OBJECT

  public:
    using FolderPicker = std::function<std::string(const std::string& startPath,
                                                   const std::string& title, QWidget* owner)>;
    using FilePicker = std::function<std::string(
        QWidget* owner, int32_t isSave, const std::string& filter, const std::string& initialDir,
        const std::string& fileName, int32_t flags)>;

    explicit UC_PathText(QWidget* parent = nullptr);

    void Init();

    QString Text() const;
    void SetText(const QString& v);
    // 0 folder picker, 1 open-file picker, 2 save-file picker, -1 none.
    int32_t Usage() const { return usage_; }
    void SetUsage(int32_t v) { usage_ = v; }
    int32_t Enabled() const { return enabled_; }
    void SetEnabled(int32_t v);
    int32_t ButtonDisabled() const { return buttonDisabled_; }
    void SetButtonDisabled(int32_t v) { buttonDisabled_ = v; }
    int32_t TextDisabled() const { return textDisabled_; }
    void SetTextDisabled(int32_t v);
    // Default extension, kept without any ".".
    QString Ext() const { return ext_; }
    void SetExt(const QString& v);
    QString Filter() const { return filter_; }
    void SetFilter(const QString& v) { filter_ = v; }
    QString InitDir() const { return initDir_; }
    void SetInitDir(const QString& v) { initDir_ = v; }
    int32_t TextIMEMode() const { return imeMode_; }
    void SetTextIMEMode(int32_t v);

    // Opens the picker for Usage and takes the chosen path.
    void SelectButtonClick();

    // The pickers used (the platform's dialogs unless replaced).
    void SetPickers(FolderPicker folder, FilePicker file);

    QLineEdit* TextBox() const { return text_; }
    QRect ButtonArea() const;
    const Surface& Canvas() const { return canvas_; }

  signals:
    void SelectButtonClicked();
    void TextDblClicked();
    void TextChange();

  protected:
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

  private:
    bool ButtonActive() const { return enabled_ == -1 && buttonDisabled_ != 1; }
    void ApplyTextLock();
    void DrawButton(int pressed);
    std::string StartFolder() const;

    QLineEdit* text_;
    int32_t usage_ = 0;
    int32_t enabled_ = -1;
    int32_t buttonDisabled_ = 0;
    int32_t textDisabled_ = 0;
    int32_t imeMode_ = 0;
    QString ext_;
    QString filter_;
    QString initDir_;
    int buttonPressed_ = 0;
    FolderPicker pickFolder_;
    FilePicker pickFile_;
    Surface canvas_;
};
