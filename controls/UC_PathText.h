#pragma once

#include "controls/DrawHelpers.h"

#include <QString>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <string>

class QAbstractButton;
class QLineEdit;
class QMimeData;

// A text box holding a file or folder path with a "..." button at its right
// end that opens a folder or file picker. The button takes the focus by Tab
// (Space or Enter presses it); F4 or Alt+Down in the text press it as well.
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
    void SetUsage(int32_t pValue);
    int32_t Enabled() const { return m_Enabled; }
    void SetEnabled(int32_t pValue);
    int32_t ButtonDisabled() const { return m_ButtonDisabled; }
    void SetButtonDisabled(int32_t pValue);
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

    // Marks the text as naming nothing usable (shown in a warning colour, with pWhy as the
    // tooltip); the host decides.
    void SetMarkedInvalid(bool pInvalid, const QString& pWhy = QString());
    bool MarkedInvalid() const { return m_MarkedInvalid; }

    // Opens the picker for Usage and takes the chosen path.
    void SelectButtonClick();

    // The pickers used (the platform's dialogs unless replaced).
    void SetPickers(FolderPicker pFolder, FilePicker pFile);

    QLineEdit* TextBox() const { return m_Text; }
    // The "..." button as a focusable, named widget over the drawn one.
    QAbstractButton* PickerButton() const { return m_Button; }
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
    void ApplyButtonState();
    void ApplyTextLock();
    // The local path a drag carries that this box takes (a folder for the folder picker,
    // a file for the file pickers); empty when it takes none.
    QString DroppedPath(const QMimeData* pMime) const;
    bool TakeDragEvent(QEvent* pEvent);
    void DrawButton(int pPressed);
    std::string StartFolder() const;

    QLineEdit* m_Text;
    QAbstractButton* m_Button;
    int32_t m_Usage = 0;
    int32_t m_Enabled = -1;
    int32_t m_ButtonDisabled = 0;
    int32_t m_TextDisabled = 0;
    int32_t m_ImeMode = 0;
    QString m_Ext;
    QString m_Filter;
    QString m_InitDir;
    int m_ButtonPressed = 0;
    bool m_MarkedInvalid = false;
    FolderPicker m_PickFolder;
    FilePicker m_PickFile;
    Surface m_Canvas;
};
