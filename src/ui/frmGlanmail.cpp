#include "ui/frmGlanmail.h"

#include "ui/AttachmentsPanel.h"
#include "ui/MessageListView.h"
#include "ui/MessageTableModel.h"
#include "ui/MessageViewer.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QGroupBox>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QProxyStyle>
#include <QShortcut>
#include <QStatusBar>
#include <QTableView>
#include <QToolButton>

// The icons are compiled into the window's static library: registered by hand, as nothing
// else would pull them into the program.
static void InitIcons() {
    Q_INIT_RESOURCE(icons);
}

namespace glanmail::ui {
namespace {

QString U(const char* utf8) {
    return QString::fromUtf8(utf8);
}

// "Small Fonts" 6.75 pt of the design: the system's sans-serif at that size.
QFont SmallFont() {
    QFont f(QStringLiteral("Arial"));
    f.setPointSizeF(6.75);
    return f;
}

template <typename T> T* Named(T* w, const char* name) {
    w->setObjectName(QString::fromLatin1(name));
    return w;
}

QGroupBox* Frame(QWidget* parent, const char* name, const char* title) {
    auto* frame = Named(new QGroupBox(U(title), parent), name);
    frame->setFont(SmallFont());
    return frame;
}

// A picture button: its image above its caption; without a caption, its tooltip names it.
QToolButton* PictureButton(QWidget* parent, const char* name, const char* icon, const char* caption, const char* tip) {
    auto* b = Named(new QToolButton(parent), name);
    b->setIcon(QIcon(QStringLiteral(":/icons/%1.svg").arg(QLatin1String(icon))));
    b->setText(U(caption));
    b->setToolTip(U(tip));
    b->setAccessibleName(caption[0] != '\0' ? U(caption) : U(tip));
    b->setToolButtonStyle(caption[0] != '\0' ? Qt::ToolButtonTextUnderIcon : Qt::ToolButtonIconOnly);
    b->setFont(SmallFont());
    b->setIconSize(QSize(20, 20));
    return b;
}

// The menu bar's style, which lets Alt pressed and released alone highlight the first menu.
class AltKeyMenuStyle : public QProxyStyle {
public:
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returnData) const override {
        if (hint == QStyle::SH_MenuBar_AltKeyNavigation) {
            return 1;
        }
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
};

void Place(QWidget* w, const TwipRect& r, double dpi) {
    w->setGeometry(Pixels(r.left, dpi), Pixels(r.top, dpi), Pixels(r.width, dpi), Pixels(r.height, dpi));
}

} // namespace

frmGlanmail::frmGlanmail(Prompter& prompter, WindowServices services, QWidget* parent)
    : QMainWindow(parent), session_(prompter), prompter_(prompter), services_(std::move(services)),
      model_(new MessageTableModel(this)), geometry_(DesignGeometry()) {
    InitIcons();
    setObjectName(QStringLiteral("frmGlanmail"));
    // The design's default font, MS Sans Serif 8.25 pt, has Arial's (Liberation Sans) widths.
    QFont font(QStringLiteral("Arial"));
    font.setPointSizeF(8.25);
    setFont(font);
    setWindowTitle(U("Extraction des messages d'un fichier dbx"));
    setWindowIcon(QIcon(QStringLiteral(":/icons/glanmail.svg")));
    session_.SetStorageFolder(services_.storageFolder);
    BuildControls();
    BuildMenus();
    Wire();
    const double dpi = logicalDpiY();
    setMinimumHeight(Pixels(kMinimumHeight - kFrameHeight, dpi) + MenuHeight());
    resize(Pixels(kReferenceWidth - kFrameWidth, dpi), Pixels(kMinimumHeight - kFrameHeight, dpi) + MenuHeight());
    ResetCommands();
    mnuSelectAll->setEnabled(false);
    mnuSearch->setEnabled(false);
    UpdateRecoverEntry();
    // The first thing to do is to open a store.
    cmdOpen->setFocus();
}

frmGlanmail::~frmGlanmail() {
    qApp->removeEventFilter(this);
}

void frmGlanmail::BuildControls() {
    auto* client = Named(new QWidget(this), "client");
    setCentralWidget(client);
    fraOpen = Frame(client, "fraOpen", "Ouvrir");
    cmdOpen = PictureButton(fraOpen, "cmdOpen", "open", "Fichier dbx", "Ouvrir un fichier dbx");
    fraGrouping = Frame(client, "fraGrouping", "Étendre");
    cmdGrouping = PictureButton(fraGrouping, "cmdGrouping", "grouping", "à la discussion",
                                "Grouper tous les messages relatifs à la même discussion que le message sélectionné");
    fraAllRecord = Frame(client, "fraAllRecord", "Enregistrer");
    cmdAllTxt = PictureButton(fraAllRecord, "cmdAllTxt", "txt", "Txt",
                              "Enregistrer les messages sélectionnés sous forme de fichiers textes");
    cmdAllNws = PictureButton(fraAllRecord, "cmdAllNws", "nws", "Nws et Eml",
                              "Enregistrer les messages sélectionnés sous leur forme originale");
    fraModRecord = Frame(client, "fraModRecord", "Enregistrer les modifications");
    cmdModTxt = PictureButton(fraModRecord, "cmdModTxt", "modtxt", "Txt",
                              "Enregistrer le message modifié sous forme d'un fichier texte");
    cmdModNws = PictureButton(fraModRecord, "cmdModNws", "modnws", "Nws et Eml",
                              "Enregistrer le message dont l'objet à été modifié sous sa forme originale");
    fraPrinting = Frame(client, "fraPrinting", "Imprimer");
    cmdPrint = PictureButton(fraPrinting, "cmdPrint", "print", "Format texte",
                             "Imprimer les messages sélectionnés sous forme de texte brut");
    lblLvw = Named(new QLabel(U("Liste des messages"), client), "lblLvw");
    lstAttachments = Named(new AttachmentsPanel(prompter_, client), "lstAttachments");

    lvwMessages = Named(new MessageListView(client), "lvwMessages");
    lvwMessages->setModel(model_);
    lvwMessages->setSelectionBehavior(QAbstractItemView::SelectRows);
    lvwMessages->setSelectionMode(QAbstractItemView::ExtendedSelection);
    lvwMessages->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lvwMessages->setShowGrid(false);
    lvwMessages->setWordWrap(false);
    lvwMessages->verticalHeader()->hide();
    lvwMessages->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    lvwMessages->verticalHeader()->setDefaultSectionSize(lvwMessages->fontMetrics().height() + 4);
    lvwMessages->horizontalHeader()->setHighlightSections(false);
    lvwMessages->horizontalHeader()->setSectionsClickable(true);
    lvwMessages->setColumnHidden(MessageTableModel::DatesPourTri, true);
    lvwMessages->setColumnHidden(MessageTableModel::ID, true);
    lvwMessages->setAccessibleName(U("Liste des messages"));

    lvwHandle = Named(new ListSizeHandle(client), "lvwHandle");

    cmdDown = PictureButton(client, "cmdDown", "down", "", "Message sélectionné suivant");
    cmdUp = PictureButton(client, "cmdUp", "up", "", "Message sélectionné précédent");
    cmdDown->setIconSize(QSize(16, 16));
    cmdUp->setIconSize(QSize(16, 16));
    lblGrouping = Named(new QLabel(U("L'option 'Messages groupés par conversation' est activée.                   "
                                     "Elle affectera les enregistrements en format texte et les impressions."),
                                   client),
                        "lblGrouping");
    lblGrouping->setWordWrap(true);
    lblGrouping->setFont(SmallFont());
    lblGrouping->setStyleSheet(QStringLiteral("color: rgb(0, 0, 192);"));
    lblGrouping->hide();
    lblTxt = Named(new QLabel(U("Affichage et modification des messages sélectionnés"), client), "lblTxt");
    txtSubject = Named(new QLineEdit(client), "txtSubject");
    txtBody = Named(new QPlainTextEdit(client), "txtBody");
    txtBody->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    QFont bodyFont(QStringLiteral("Arial"));
    bodyFont.setPointSizeF(8.25);
    txtBody->setFont(bodyFont);
    viewer_ = new MessageViewer(txtSubject, txtBody, this);
    dlgSearch_ = new SearchDialog(this);

    statBar = Named(new QStatusBar(client), "statBar");
    statBar->setSizeGripEnabled(false);
    const char* const panelTexts[6] = {
        "Fichier dbx sélectionné  ", "aucun fichier chargé", "  Messages sélectionnés ", "", "", ""};
    for (int i = 0; i < 6; ++i) {
        auto* panel = new QLabel(U(panelTexts[i]), statBar);
        panel->setObjectName(QStringLiteral("statBarPanel%1").arg(i + 1));
        panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        statBar->addWidget(panel, i == 1 ? 1 : 0);
        statPanels.push_back(panel);
    }
    // The end box and the bar lie over the status bar's last panel: made after it.
    txtEnd = Named(new QLineEdit(U("Opération terminée"), client), "txtEnd");
    txtEnd->setReadOnly(true);
    txtEnd->setFocusPolicy(Qt::NoFocus);
    txtEnd->setAlignment(Qt::AlignCenter);
    txtEnd->setStyleSheet(QStringLiteral("background: #ffff00; color: black;"));
    txtEnd->hide();
    Bar = Named(new QProgressBar(client), "Bar");
    Bar->setRange(0, 100);
    Bar->setTextVisible(false);
    Bar->setAccessibleName(U("Progression"));
    Bar->hide();
    fraModRecord->setEnabled(false);
    fraPrinting->setEnabled(false);
    cmdDown->setEnabled(false);
    cmdUp->setEnabled(false);

    // Tab follows the window: the list, the subject, the text, then the command buttons in
    // their frames' order and the arrow buttons. Tab in the text moves on instead of typing.
    txtBody->setTabChangesFocus(true);
    QWidget* order[] = {lvwMessages, txtSubject, txtBody,   cmdOpen,  cmdGrouping, cmdAllTxt,
                        cmdAllNws,   cmdModTxt,  cmdModNws, cmdPrint, cmdDown,     cmdUp};
    for (std::size_t i = 0; i + 1 < std::size(order); ++i) {
        setTabOrder(order[i], order[i + 1]);
    }
    for (QToolButton* b :
         {cmdOpen, cmdGrouping, cmdAllTxt, cmdAllNws, cmdModTxt, cmdModNws, cmdPrint, cmdDown, cmdUp}) {
        b->setFocusPolicy(Qt::StrongFocus);
    }
}

void frmGlanmail::BuildMenus() {
    const auto menu = [this](const char* name, const char* title) { return Named(menuBar()->addMenu(U(title)), name); };
    const auto entry = [](QMenu* m, const char* name, const char* caption) {
        return Named(m->addAction(U(caption)), name);
    };
    const auto separator = [](QMenu* m, const char* name) { return Named(m->addSeparator(), name); };
    // Each menu and entry has its letter (Alt+F opens "Fichiers"), none repeated within a menu.
    mnuFiles = menu("mnuFiles", "&Fichiers");
    mnuFileDbx = entry(mnuFiles, "mnuFileDbx", "Fichier &dbx à traiter");
    mnuRecover = entry(mnuFiles, "mnuRecover", "&Rechercher les messages effacés");
    mnuSaveAttachments = entry(mnuFiles, "mnuSaveAttachments", "Enregistrer les &pièces jointes");
    mnuWholeMessages = entry(mnuFiles, "mnuWholeMessages", "Enregistrer les messages &complets");
    separator(mnuFiles, "mnu0");
    mnuPrinter = entry(mnuFiles, "mnuPrinter", "&Imprimante");
    separator(mnuFiles, "mnu1");
    mnuQuit = entry(mnuFiles, "mnuQuit", "&Sortie");
    mnuEdit = menu("mnuEdit", "É&ditions");
    mnuSelectAll = entry(mnuEdit, "mnuSelectAll", "&Sélection de tous les messages");
    // The window catches Ctrl+A whatever has the focus (eventFilter); the menu shows the key and
    // answers it only while the menu itself has the focus.
    mnuSelectAll->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_A));
    mnuSelectAll->setShortcutContext(Qt::WidgetShortcut);
    mnuSearch = entry(mnuEdit, "mnuSearch", "&Rechercher…");
    mnuSearch->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_F));
    mnuOptions = menu("mnuOptions", "&Options");
    mnuGrouping = entry(mnuOptions, "mnuGrouping", "Messages &groupés par conversation");
    mnuGrouping->setCheckable(true);
    separator(mnuOptions, "mnu2");
    mnuStorage = entry(mnuOptions, "mnuStorage", "&Dossier de stockage");
    mnuAide = menu("mnuAide", "&?");
    mnuHelp = entry(mnuAide, "mnuHelp", "&Aide");
    separator(mnuAide, "mnu9");
    mnuAbout = entry(mnuAide, "mnuAbout", "À &propos");

    // Alt alone and F10 reach the menu bar, as on the desktop the program comes from.
    auto* altStyle = new AltKeyMenuStyle();
    altStyle->setParent(menuBar());
    menuBar()->setStyle(altStyle);
    auto* f10 = new QShortcut(QKeySequence(Qt::Key_F10), this);
    connect(f10, &QShortcut::activated, this, [this] { menuBar()->setActiveAction(mnuFiles->menuAction()); });
    // F3: the next message found (the next of the selection), from the window or the search.
    auto* f3 = new QShortcut(QKeySequence(Qt::Key_F3), this);
    f3->setContext(Qt::ApplicationShortcut);
    connect(f3, &QShortcut::activated, this, [this] { cmdDown_Click(); });
}

void frmGlanmail::Wire() {
    connect(mnuFileDbx, &QAction::triggered, this, [this] { SelectDbx(); });
    connect(mnuRecover, &QAction::triggered, this, [this] { mnuRecover_Click(); });
    connect(mnuSaveAttachments, &QAction::triggered, this, [this] { mnuSaveAttachments_Click(); });
    connect(mnuWholeMessages, &QAction::triggered, this, [this] { mnuWholeMessages_Click(); });
    connect(cmdOpen, &QToolButton::clicked, this, [this] {
        QCoreApplication::processEvents();
        SelectDbx();
    });
    connect(mnuPrinter, &QAction::triggered, this, [this] { mnuPrinter_Click(); });
    connect(mnuQuit, &QAction::triggered, this, &QWidget::close);
    connect(mnuSelectAll, &QAction::triggered, this, [this] { SelectAll(); });
    connect(mnuGrouping, &QAction::triggered, this, [this] { mnuGrouping_Click(); });
    connect(mnuSearch, &QAction::triggered, this, [this] { mnuSearch_Click(); });
    connect(dlgSearch_, &SearchDialog::searchRequested, this, &frmGlanmail::Search);
    const auto optional = [this](QAction* a, const std::function<void()>& f) {
        connect(a, &QAction::triggered, this, [f] {
            if (f) {
                f();
            }
        });
    };
    optional(mnuStorage, services_.chooseStorage);
    optional(mnuHelp, services_.help);
    optional(mnuAbout, services_.about);
    connect(cmdGrouping, &QToolButton::clicked, this, [this] { cmdGrouping_Click(); });
    connect(cmdAllTxt, &QToolButton::clicked, this, [this] { cmdAllTxt_Click(); });
    connect(cmdAllNws, &QToolButton::clicked, this, [this] { cmdAllNws_Click(); });
    connect(cmdModTxt, &QToolButton::clicked, this, [this] { cmdModTxt_Click(); });
    connect(cmdModNws, &QToolButton::clicked, this, [this] { cmdModNws_Click(); });
    connect(cmdPrint, &QToolButton::clicked, this, [this] { cmdPrint_Click(); });
    connect(cmdUp, &QToolButton::clicked, this, [this] { cmdUp_Click(); });
    connect(cmdDown, &QToolButton::clicked, this, [this] { cmdDown_Click(); });
    connect(lvwMessages->horizontalHeader(), &QHeaderView::sectionClicked, this,
            [this](int section) { lvwMessages_ColumnClick(section + 1); });
    // Only the user's changes of a message on show are edits: not the program's own filling
    // of the boxes, nor what is typed into an empty viewer.
    const auto edited = [this](void (Session::*mark)()) {
        if (!busy_ && !viewer_->Filling() && session_.HasShownMessage()) {
            (session_.*mark)();
            EnableModifiedSave(true);
        }
    };
    connect(txtSubject, &QLineEdit::textChanged, this, [edited] { edited(&Session::MarkSubjectModified); });
    connect(txtBody, &QPlainTextEdit::textChanged, this, [edited] { edited(&Session::MarkBodyModified); });
    connect(lvwHandle, &ListSizeHandle::dragBegun, this, [this] { dragStartExtra_ = ListExtra(); });
    connect(lvwHandle, &ListSizeHandle::dragged, this,
            [this](int pixels) { SetListExtra(dragStartExtra_ + Twips(pixels, logicalDpiY())); });
    connect(lvwHandle, &ListSizeHandle::reset, this, [this] { SetListExtra(0); });
    connect(lvwMessages, &MessageListView::clicked, this, [this] { lvwMessages_Click(); });
    connect(lvwMessages, &MessageListView::keyReleased, this, [this](int key) { lvwMessages_KeyUp(key); });
    connect(lvwMessages, &MessageListView::selectedFromOutside, this, [this] { QueueOutsideSelection(); });
    lvwMessages->SetMayLeave([this] { return MayLeaveShownMessage(); });
    // One filter for the whole program (an object's own filter would see its events a second
    // time): Ctrl+A whatever has the focus, and a click into the text boxes.
    qApp->installEventFilter(this);
}

bool frmGlanmail::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (type == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        auto* widget = qobject_cast<QWidget*>(watched);
        if (key->key() == Qt::Key_A && (key->modifiers() & ~Qt::KeypadModifier) == Qt::ControlModifier &&
            widget != nullptr && widget->window() == this) {
            SelectAll();
            return true;
        }
        if (key->key() == Qt::Key_Escape && searching_) {
            searchStop_ = true; // a search of the texts stops and keeps what it found
            return true;
        }
    }
    if (type == QEvent::MouseButtonPress && (watched == txtSubject || watched == txtBody->viewport())) {
        txtEnd->hide();
    }
    return QMainWindow::eventFilter(watched, event);
}

void frmGlanmail::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    const double dpi = logicalDpiY();
    const int menu = MenuHeight();
    const ResizeResult r = FormResize(geometry_, Twips(width(), dpi) + kFrameWidth,
                                      Twips(height() - menu, dpi) + kFrameHeight, isMinimized());
    geometry_ = r.geometry;
    ApplyGeometry();
    if (r.correctedHeight) {
        resize(width(), Pixels(*r.correctedHeight - kFrameHeight, dpi) + menu);
    }
}

void frmGlanmail::SetListExtra(double twips) {
    listExtra_ = BoundedListExtra(geometry_, twips);
    ApplyGeometry();
}

// The menu bar's height as the main window lays it out (also before it is shown).
int frmGlanmail::MenuHeight() const {
    QMenuBar* bar = menuBar();
    return bar->hasHeightForWidth() ? bar->heightForWidth(width()) : bar->sizeHint().height();
}

void frmGlanmail::ApplyGeometry() {
    const double dpi = logicalDpiY();
    const WindowGeometry g = WithListExtra(geometry_, listExtra_);
    const std::pair<QWidget*, TwipRect> places[] = {{fraOpen, g.fraOpen},
                                                    {cmdOpen, g.cmdOpen},
                                                    {fraGrouping, g.fraGrouping},
                                                    {cmdGrouping, g.cmdGrouping},
                                                    {fraAllRecord, g.fraAllRecord},
                                                    {cmdAllTxt, g.cmdAllTxt},
                                                    {cmdAllNws, g.cmdAllNws},
                                                    {fraModRecord, g.fraModRecord},
                                                    {cmdModTxt, g.cmdModTxt},
                                                    {cmdModNws, g.cmdModNws},
                                                    {fraPrinting, g.fraPrinting},
                                                    {cmdPrint, g.cmdPrint},
                                                    {lblLvw, g.lblLvw},
                                                    {lvwMessages, g.lvwMessages},
                                                    {cmdDown, g.cmdDown},
                                                    {cmdUp, g.cmdUp},
                                                    {lblGrouping, g.lblGrouping},
                                                    {lblTxt, g.lblTxt},
                                                    {txtSubject, g.txtSubject},
                                                    {txtBody, g.txtBody},
                                                    {txtEnd, g.txtEnd},
                                                    {Bar, g.Bar},
                                                    {statBar, g.statBar}};
    for (const auto& [widget, rect] : places) {
        Place(widget, rect, dpi);
    }
    // The handle fills the gap between the list and the controls under it.
    const TwipRect& list = g.lvwMessages;
    Place(lvwHandle, TwipRect{list.left, list.top + list.height, list.width, g.cmdDown.top - list.top - list.height},
          dpi);
    lstAttachments->FitUnder(txtBody);
    // A caption longer than its label's design width (fonts differ from the design's) is shown whole.
    for (QLabel* label : {lblLvw, lblTxt}) {
        label->resize(std::max(label->width(), label->sizeHint().width()), label->height());
    }
    for (int c = 0; c < 3; ++c) {
        lvwMessages->setColumnWidth(c, Pixels(g.columns[static_cast<std::size_t>(c)], dpi));
    }
    for (std::size_t p = 0; p < statPanels.size(); ++p) {
        statPanels[p]->setFixedWidth(Pixels(g.panels[p], dpi));
    }
}

void frmGlanmail::closeEvent(QCloseEvent* event) {
    // Edits not yet saved are abandoned only when the user says so.
    if (!closeRequested_ && !MayLeaveShownMessage()) {
        event->ignore();
        return;
    }
    if (working_) {
        // The work under way stops at its next safe point; the window closes then.
        closeRequested_ = true;
        event->ignore();
        return;
    }
    if (services_.atEnd) {
        services_.atEnd();
    }
    QMainWindow::closeEvent(event);
}

void frmGlanmail::SetPanel(int panel, const QString& text) {
    statPanels.at(static_cast<std::size_t>(panel - 1))->setText(text);
    emit statusPanelChanged(panel, text);
}

} // namespace glanmail::ui
