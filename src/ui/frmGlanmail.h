#pragma once
// The main window: command frames along the top, the message list, the viewer, the end-of-work
// box, the progress bar and the status bar. Members and object names are the controls' names.
// Its work is split by job: frmGlanmail.cpp builds and lays it out, frmGlanmailList.cpp holds
// the list's events and the selection, frmGlanmailOutput.cpp the opening and the output commands,
// frmGlanmailSearch.cpp the search.
//
// The names, for a reader who does not know where they come from (a kind prefix, then a word):
//   fra...       a frame of buttons along the top: fraOpen "Ouvrir", fraGrouping "Étendre",
//                fraAllRecord "Enregistrer", fraModRecord "Enregistrer les modifications",
//                fraPrinting "Imprimer"
//   cmdOpen      "Fichier dbx": choose a store          cmdGrouping "à la discussion": select the
//                                                        whole conversation of the selected message
//   cmdAllTxt    save the selected messages as text     cmdAllNws   "Nws et Eml": save them in their
//                                                        original form (.eml mail, .nws news)
//   cmdModTxt    save the message on show, edited, as text; cmdModNws the same in its original form
//   cmdPrint     print the selected messages            cmdDown, cmdUp  the next and previous
//                                                        selected message
//   lvwMessages  the message list    lvwHandle the handle under it    lblLvw the caption above it
//   txtSubject, txtBody  the viewer: subject and text, editable
//   txtEnd       the yellow "Opération terminée" box    Bar  the progress bar at the same place
//   statBar      the status bar (statPanels: its six panels)
//   mnu...       menu entries (mnuFileDbx "Fichier dbx à traiter", mnuRecover, mnuPrinter,
//                mnuQuit "Sortie", mnuSelectAll, mnuSearch, mnuGrouping, mnuStorage, mnuHelp,
//                mnuAbout)

#include "app/Session.h"
#include "ui/ListSizeHandle.h"
#include "ui/MessageListView.h"
#include "ui/SearchDialog.h"
#include "ui/WindowLayout.h"
#include "ui/WindowServices.h"

#include <QMainWindow>
#include <functional>
#include <memory>
#include <vector>

class QAction;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QProgressBar;
class QStatusBar;
class QToolButton;

namespace glanmail::ui {

class AttachmentsPanel;
class MessageTableModel;
class MessageViewer;

class frmGlanmail : public QMainWindow {
    Q_OBJECT
public:
    frmGlanmail(Prompter& prompter, WindowServices services, QWidget* parent = nullptr);
    ~frmGlanmail() override;

    Session& session() { return session_; }
    MessageTableModel* model() const { return model_; }
    // The window's own layout for its size; the list may be given more room (ListExtra).
    const WindowGeometry& geometryInTwips() const { return geometry_; }
    // How many twips the user gave the list with the handle under it (0: the window's own).
    double ListExtra() const { return BoundedListExtra(geometry_, listExtra_); }
    // As a drag of the handle does: the list that many twips taller, within bounds.
    void SetListExtra(double twips);

    // Opening (the menu entry and the button; the path given at start). An index that gives
    // nothing or is damaged brings the question whether to search the whole file.
    void SelectDbx();
    void OpenPath(const std::string& path, OpenRecovery recovery = OpenRecovery::Offer);
    // "Rechercher les messages effacés": the store open, again, with the messages its index
    // no longer reaches.
    void mnuRecover_Click();

    // The list and the selection.
    void lvwMessages_Click();
    void lvwMessages_KeyUp(int key);
    void lvwMessages_ColumnClick(int column); // 1-based, as the header's sections
    void UpdateSelectionCommands(std::size_t n);
    void ShowFirstSelected();
    void BuildSelection();
    void EnableModifiedSave(bool enabled);
    void SelectAll();
    void cmdUp_Click();
    void cmdDown_Click();
    void cmdGrouping_Click();
    void mnuGrouping_Click();

    // The search: "Éditions > Rechercher…" opens its dialog; the messages found become the
    // list's selection, the first shown. A search of the texts can be stopped with Échap and
    // keeps what it found so far. F3 shows the next message found.
    void mnuSearch_Click();
    void Search(const QString& words, const SearchFields& fields);
    SearchDialog* searchDialog() const { return dlgSearch_; }

    // The output commands.
    void cmdAllTxt_Click();
    void cmdAllNws_Click();
    void cmdModTxt_Click();
    void cmdModNws_Click();
    void cmdPrint_Click();
    void mnuPrinter_Click();
    // The printer chosen in "Imprimante"; an empty name for the default printer.
    const PrinterChoice& Printer() const { return printer_; }
    // "Enregistrer les pièces jointes" and "Enregistrer les messages complets" (frmGlanmailAttachments.cpp).
    void mnuSaveAttachments_Click();
    void mnuWholeMessages_Click();

    // Long work under way (a store being listed, a batch): other commands are ignored.
    bool Working() const { return working_; }
    // The system ends the program: the window closes without asking about unsaved edits.
    void CloseWithoutQuestion() { closeRequested_ = true; }

signals:
    // A status-bar panel (1-based) was given a text, the same or another.
    void statusPanelChanged(int panel, const QString& text);

public:
    QGroupBox *fraOpen, *fraGrouping, *fraAllRecord, *fraModRecord, *fraPrinting;
    QToolButton *cmdOpen, *cmdGrouping, *cmdAllTxt, *cmdAllNws, *cmdModTxt, *cmdModNws, *cmdPrint, *cmdDown, *cmdUp;
    QLabel *lblLvw, *lblGrouping, *lblTxt;
    MessageListView* lvwMessages;
    ListSizeHandle* lvwHandle; // between the list and the text
    QLineEdit* txtSubject;
    QPlainTextEdit* txtBody;
    QLineEdit* txtEnd;
    QProgressBar* Bar;
    QStatusBar* statBar;
    std::vector<QLabel*> statPanels; // the six panels, left to right
    // Under txtBody, when the message on show has attachments.
    AttachmentsPanel* lstAttachments;
    QAction *mnuSaveAttachments, *mnuWholeMessages;
    QMenu *mnuFiles, *mnuEdit, *mnuOptions, *mnuAide;
    QAction *mnuFileDbx, *mnuRecover, *mnuPrinter, *mnuQuit, *mnuSelectAll, *mnuSearch, *mnuGrouping, *mnuStorage,
        *mnuHelp, *mnuAbout;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void BuildControls();
    void BuildMenus();
    void Wire();
    void ApplyGeometry();
    int MenuHeight() const;
    void ResetCommands();
    void ResetForOpen();
    void UpdateRecoverEntry();
    void CountSelection();
    void ShowMessage(const ShownMessage& shown);
    void ClearViewer(bool subjectToo);
    void SetPanel(int panel, const QString& text); // 1-based
    void ShowProgress(std::size_t i);
    void WorkDone();
    MessageEdits Edits() const;
    void RunBatch(OutputCommand command, AttachmentPolicy policy = AttachmentPolicy::CutAtFirstAttachment);
    void SaveSelection(OutputCommand command); // "Txt" and "Nws et Eml"
    void SaveEdited(OutputCommand command);    // the two "Enregistrer les modifications" buttons
    // After "Nws et Eml": how many messages were saved without their attachments.
    void TellCutMessages(std::size_t count);
    std::optional<PrinterChoice> ChoosePrinter(const PrinterChoice& current);
    void TellPdfFiles(const std::vector<std::string>& pdfs, bool chosenFile);
    bool StopRequested();
    void KeepRepainting();
    void RunOffThread(const std::function<void()>& work);
    // Before the message on show is left: false when the user keeps its unsaved edits.
    bool MayLeaveShownMessage();
    // A row selected from outside (a screen reader) counts as a click, once the change is over.
    void QueueOutsideSelection();
    // The list's highlighted rows back to those last counted.
    void RestoreCountedSelection();

    Session session_;
    Prompter& prompter_;
    WindowServices services_;
    MessageTableModel* model_;
    MessageViewer* viewer_ = nullptr;
    WindowGeometry geometry_;
    double listExtra_ = 0;           // twips given to the list by the handle
    double dragStartExtra_ = 0;      // the extra when the handle's drag began
    std::vector<int> rowSelected_;   // the display rows found selected when the list was last counted
    PrinterChoice printer_;          // chosen in "Imprimante"
    std::string declinedSearchPath_; // the store last opened whose whole-file search the user declined
    int sortToggle_ = 0;
    double progressValue_ = 0;
    bool busy_ = false;
    bool working_ = false;
    bool closeRequested_ = false;
    bool outsideSelectionQueued_ = false;
    SearchDialog* dlgSearch_ = nullptr;
    bool searching_ = false;  // a search of the texts runs
    bool searchStop_ = false; // Échap during it
    SearchResult RunSearch(const std::string& words, const SearchFields& fields);
    qint64 lastRepaint_ = 0;
};

} // namespace glanmail::ui
