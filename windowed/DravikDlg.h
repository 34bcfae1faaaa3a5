// CDravikDlg: dravikon's main dialog (IDD_DRAVIKON). The user names the file
// (typing, browsing or dropping it), picks a medium or a size of his own and
// presses Split; the split runs on a CSplitterThread that reports into the
// dialog's progress bar (pane 0 of its status bar) and chunk list.
//
// Split is disabled while a split runs. Closing the dialog stops the split
// first and waits for it, so the worker never touches a control that is gone.
#pragma once

#include "Controls.h"
#include "Dialog.h"
#include "MeasureUnit.h"
#include "ProgressBar.h"
#include "Str.h"
#include "UnitTable.h"

#include <windows.h>

class CDravikDlg : public CDialog {
public:
    // `path` pre-fills the file to split.
    explicit CDravikDlg(const char* path);
    ~CDravikDlg() override;

    INT_PTR DoModal();

protected:
    BOOL OnInitDialog() override;
    bool OnCommand(WPARAM wParam, LPARAM lParam) override;
    void OnOK() override;
    void OnCancel() override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;
    void DoDataExchange(CDataExchange& dx) override;

private:
    // The chunk size of a medium of the list (its string ID), 0 for any
    // other ID.
    static unsigned GetMediumSize(unsigned mediumId);

    bool CreateStatusBar();
    void AddAboutToSystemMenu() const;
    void SetUpSizeControl();
    void FillMediaList();
    void OnMediaChange();
    unsigned GetChunkSize() const;
    unsigned GetSelectedMedium() const;
    void OnBrowse();
    void OnDropFiles(HDROP drop);
    void OnSplit();
    void OnSplitEnded();
    void StopSplit();
    bool PaintMinimised() const;

    // The chunk list follows its newest line, as a log does: the worker's
    // lines arrive faster than anyone scrolls.
    class CFollowLastLine : public CSubclassWnd {
    protected:
        bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    };

    CMeasureUnit m_size;
    CListBox m_chunkList;
    CFollowLastLine m_followChunks;
    CComboBox m_media;
    CButton m_split;
    CStr m_path;
    HICON m_icon;
    HICON m_smallIcon;
    CStatusBarCtrl m_statusBar;
    CProgressBar m_progressBar;
    CUnitTable m_units;
    bool m_splitting = false;
};
