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
    using FolderPicker = std::function<std::string(const std::string& pStartPath,
                                                   const std::string& pTitle, QWidget* pOwner)>;
    using FilePicker = std::function<std::string(
        QWidget* pOwner, int32_t pIsSave, const std::string& pFilter,
        const std::string& pInitialDir, const std::string& pFileName, int32_t pFlags)>;

    explicit UC_PathText(QWidget* pParent = nullptr);

    void Init();

    QString Text() const;
    void SetText(const QString& pValue);
    // 0 folder picker, 1 open-file picker, 2 save-file picker, -1 none.
    int32_t Usage() const { return m_Usage; }
    void SetUsage(int32_t pValue) { m_Usage = pValue; }
    int32_t Enabled() const { return m_Enabled; }
    void SetEnabled(int32_t pValue);
    int32_t ButtonDisabled() const { return m_ButtonDisabled; }
    void SetButtonDisabled(int32_t pValue) { m_ButtonDisabled = pValue; }
    int32_t TextDisabled() const { return m_TextDisabled; }
    void SetTextDisabled(int32_t pValue);
    // Default extension, kept without any ".".
    QString Ext() const { return m_Ext; }
    void SetExt(const QString& pValue);
    QString Filter() const { return m_Filter; }
    void SetFilter(const QString& pValue) { m_Filter = pValue; }
    QString InitDir() const { return m_InitDir; }
    void SetInitDir(const QString& pValue) { m_InitDir = pValue; }
    int32_t TextIMEMode() const { return m_ImeMode; }
    void SetTextIMEMode(int32_t pValue);

    // Opens the picker for Usage and takes the chosen path.
    void SelectButtonClick();

    // The pickers used (the platform's dialogs unless replaced).
    void SetPickers(FolderPicker pFolder, FilePicker pFile);

    QLineEdit* TextBox() const { return m_Text; }
    QRect ButtonArea() const;
    const Surface& Canvas() const { return m_Canvas; }

  signals:
    void SelectButtonClicked();
    void TextDblClicked();
    void TextChange();

  protected:
    void paintEvent(QPaintEvent* pEvent) override;
    void resizeEvent(QResizeEvent* pEvent) override;
    void mousePressEvent(QMouseEvent* pEvent) override;
    void mouseReleaseEvent(QMouseEvent* pEvent) override;
    void mouseDoubleClickEvent(QMouseEvent* pEvent) override;
    bool eventFilter(QObject* pWatched, QEvent* pEvent) override;

  private:
    bool ButtonActive() const { return m_Enabled == -1 && m_ButtonDisabled != 1; }
    void ApplyTextLock();
    void DrawButton(int pPressed);
    std::string StartFolder() const;

    QLineEdit* m_Text;
    int32_t m_Usage = 0;
    int32_t m_Enabled = -1;
    int32_t m_ButtonDisabled = 0;
    int32_t m_TextDisabled = 0;
    int32_t m_ImeMode = 0;
    QString m_Ext;
    QString m_Filter;
    QString m_InitDir;
    int m_ButtonPressed = 0;
    FolderPicker m_PickFolder;
    FilePicker m_PickFile;
    Surface m_Canvas;
};
