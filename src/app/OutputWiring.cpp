#include "app/OutputWiring.h"

#include "app/CommandMap.h"
#include "app/EditWiring.h"
#include "app/HelpPages.h"
#include "app/TfrmMain.h"
#include "edit/StatusPanels.h"
#include "edit/TransformCommands.h"
#include "output/PictureFile.h"
#include "output/PictureFileCommands.h"
#include "output/SaveAsLogic.h"
#include "output/SavesBySettings.h"
#include "output/TfrmOptsv.h"
#include "output/clipboard/ClipboardPaste.h"
#include "output/clipboard/ClipboardPicture.h"
#include "output/mail/DesktopMail.h"
#include "output/print/CupsPrinter.h"
#include "platform/FileWriting.h"
#include "platform/MessageBox.h"
#include "platform/Platform.h"
#include "platform/WaitCursor.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QMessageBox>
#include <QStandardPaths>

namespace vistrel {

namespace {

bool askToSplitPrint(double fit, QWidget* parent)
{
    const QString question = SplitPrintQuestion(fit);
    MessageBox::trace(QStringLiteral("question"), question);
    QMessageBox box(QMessageBox::Question, QStringLiteral("印刷"), question,
                    QMessageBox::Yes | QMessageBox::No, MessageBox::ownerFor(parent));
    box.setObjectName(QStringLiteral("boxSplitPrintQuestion"));
    box.setDefaultButton(QMessageBox::Yes);
    return box.exec() == QMessageBox::Yes;
}

SaveSettingsValues saveSettingsValues(const Settings& s)
{
    SaveSettingsValues v;
    v.jpegQuality = s.SAVETYPE.JPGPS;
    v.jpegProgressive = s.SAVETYPE.JPGPRO;
    v.pngZlib = s.SAVETYPE.PNGZLIB;
    v.pngInterlace = s.SAVETYPE.PNGINTERLACE;
    v.autoSave = AutoSaveSettingsOf(s);
    v.autoSaveNumber = s.autoSaveNumber;
    v.mailSaveType = s.SENDMAIL.SAVETYPE;
    v.mailFile = s.SENDMAIL.FILE;
    v.mailAutoSend = s.SENDMAIL.AUTOSEND;
    v.mailTo = s.SENDMAIL.TO;
    v.mailSubject = s.SENDMAIL.SUBJECT;
    return v;
}

void storeSaveSettings(Settings& s, const SaveSettingsValues& v)
{
    s.SAVETYPE.JPGPS = v.jpegQuality;
    s.SAVETYPE.JPGPRO = v.jpegProgressive;
    s.SAVETYPE.PNGZLIB = v.pngZlib;
    s.SAVETYPE.PNGINTERLACE = v.pngInterlace;
    s.AUTOSAVE.DIR = v.autoSave.dir;
    s.AUTOSAVE.SAVETYPE = v.autoSave.saveType;
    s.AUTOSAVE.FILE = v.autoSave.file;
    s.AUTOSAVE.FILEAFTER = v.autoSave.fileAfter;
    s.AUTOSAVE.AUTONOKETA = v.autoSave.digits;
    s.AUTOSAVE.OVERWRITE = v.autoSave.overwrite;
    s.autoSaveNumber = v.autoSaveNumber;
    s.SENDMAIL.SAVETYPE = v.mailSaveType;
    s.SENDMAIL.FILE = v.mailFile;
    s.SENDMAIL.AUTOSEND = v.mailAutoSend;
    s.SENDMAIL.TO = v.mailTo;
    s.SENDMAIL.SUBJECT = v.mailSubject;
}

// The private folder the mail attachments are written to.
QString mailFolder()
{
    return PrivateMailFolder(
        QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation));
}

} // namespace

OutputWiring::OutputWiring(TfrmMain& main) : m_main(main), m_actions(*this)
{
    showAutoSaveFolder();
    applyPrintMode();
}

OutputWiring::~OutputWiring() = default;

void OutputWiring::bind(CommandMap& commands)
{
    commands.bind(QStringLiteral("mnuFileOpenClick"), [this](int) { mnuFileOpenClick(); });
    commands.bind(QStringLiteral("mnuFileSaveClick"),
                  [this](int tag) { m_actions.mnuFileSaveClick(tag); });
    commands.bind(QStringLiteral("mnuFileAutoSaveClick"),
                  [this](int) { m_actions.mnuFileAutoSaveClick(); });
    commands.bind(QStringLiteral("mnuFileSaveSetClick"), [this](int) { mnuFileSaveSetClick(); });
    commands.bind(QStringLiteral("mnuEditCopyClick"),
                  [this](int) { m_actions.mnuEditCopyClick(); });
    commands.bind(QStringLiteral("mnuEditPasteClick"), [this](int) { mnuEditPasteClick(); });
    commands.bind(QStringLiteral("mnuFilePrintClick"),
                  [this](int) { m_actions.mnuFilePrintClick(); });
    commands.bind(QStringLiteral("mnuFileSendMailClick"),
                  [this](int) { m_actions.mnuFileSendMailClick(); });
    commands.bind(QStringLiteral("mnuFilePrnSetClick"), [this](int) { mnuFilePrnSetClick(); });
    commands.bind(QStringLiteral("mnuFilePrnDlgClick"), [this](int) { mnuFilePrnDlgClick(); });
    commands.setChecked(QStringLiteral("mnuFilePrnDlg"), m_main.settings().MAIN.PRNDIALOG);
}

void OutputWiring::runAfterActionCommand(int code)
{
    // Exactly as a click: the item's own tag, and nothing for an item not built yet.
    const QString command = AfterActions::commandForAfterAction(code);
    if (QAction* item = command.isEmpty() ? nullptr : m_main.commands().action(command))
        item->trigger();
}

bool OutputWiring::PerformAfterAction(int code)
{
    return m_actions.PerformAfterAction(code);
}

void OutputWiring::mnuFileOpenClick()
{
    Settings& settings = m_main.settings();
    PictureFileSettings fileSettings{settings.MAIN.CURDIR, settings.OBJECT.ASSAVETYPE, {}};
    QImage picture;
    try {
        picture =
            OpenPictureFile(&m_main, fileSettings, SaveAsLogic::firstFolder(settings.AUTOSAVE.DIR));
    } catch (...) {
        settings.MAIN.CURDIR = fileSettings.curDir; // the folder is kept even for a bad file
        throw;
    }
    settings.MAIN.CURDIR = fileSettings.curDir;
    if (!picture.isNull())
        showOpenedPicture(picture, fileSettings.openedPath);
}

bool OutputWiring::openPictureFile(const QString& path)
{
    const QImage picture = loadPictureFile(path);
    if (picture.isNull()) {
        MessageBox::information(
            QStringLiteral("「%1」は開くことのできる画像ファイルではありません。")
                .arg(QDir::toNativeSeparators(path)));
        return false;
    }
    showOpenedPicture(picture, path);
    return true;
}

void OutputWiring::showOpenedPicture(const QImage& picture, const QString& path)
{
    // The tab of opened pictures: no capture is overwritten and no edit is lost.
    m_main.document().showOpenedPicture(picture, QFileInfo(path).fileName(),
                                        QFileInfo(path).absoluteFilePath());
}

void OutputWiring::mnuEditPasteClick()
{
    QImage picture;
    {
        const WaitCursor busy;
        picture = pictureFromClipboard();
    }
    if (picture.isNull()) {
        MessageBox::information(
            QStringLiteral("クリップボードの形式がビットマップではありません。"));
        return;
    }
    m_main.document().replacePicture(picture);
}

void OutputWiring::mnuFileSaveSetClick()
{
    SaveSettingsValues values = saveSettingsValues(m_main.settings());
    if (!EditSaveSettings(&m_main, values, HelpPages::OpenHelp))
        return;
    storeSaveSettings(m_main.settings(), values);
    showAutoSaveFolder();
}

void OutputWiring::mnuFilePrnSetClick()
{
    printer().choosePrinter(); // the choice stays for later prints; the answer does not matter
}

void OutputWiring::mnuFilePrnDlgClick()
{
    bool& ask = m_main.settings().MAIN.PRNDIALOG;
    ask = !ask;
    m_main.commands().setChecked(QStringLiteral("mnuFilePrnDlg"), ask);
}

void OutputWiring::applyPrintMode()
{
    m_printScale = PrintScaleFromMode(m_main.settings().PRINT.MODE, m_printScale);
}

PrinterPort& OutputWiring::printer()
{
    if (!m_printer) {
        Platform& platform = m_main.platform();
        m_printer = std::make_unique<CupsPrinter>(
            &m_main, [&platform] { return platform.privateTempFolder(); });
    }
    return *m_printer;
}

QString OutputWiring::printCurrentImage()
{
    const Platform& platform = m_main.platform();
    const HeaderTokenValues tokens{QDateTime::currentDateTime(), platform.loginName(),
                                   platform.hostName()};
    // Only a user at the window is asked; a run for a script prints as the options say.
    SplitOffer offerSplit;
    if (m_main.isVisible())
        offerSplit = [this](double fit) { return askToSplitPrint(fit, &m_main); };
    return PrintPictureAction(printer(), m_main.document().currentImage(), m_main.settings(),
                              m_printScale, tokens, offerSplit);
}

MailPort& OutputWiring::mail()
{
    if (!m_mail)
        m_mail = std::make_unique<DesktopMail>(mailFolder);
    return *m_mail;
}

QString OutputWiring::sendCurrentImageByMail()
{
    // $EMAIL names the sender where the user set it; otherwise the transfer agent does.
    const MailOutcome outcome = SendPictureByMail(
        mail(), m_main.document().currentImage(), m_main.settings(), saveOptions(), mailFolder(),
        QDateTime::currentDateTime(), qEnvironmentVariable("EMAIL"));
    return QString::fromUtf8(outcome == MailOutcome::Sent ? AfterActions::MailSentText
                                                          : AfterActions::MailShownText);
}

void OutputWiring::showAutoSaveFolder()
{
    // Partial files of a run that was killed are swept once the folder is known.
    removeStalePartialFiles(m_main.settings().AUTOSAVE.DIR);
    m_main.status().setPanelText(1, QStringLiteral("連続: ") + m_main.settings().AUTOSAVE.DIR);
}

PictureSaveOptions OutputWiring::saveOptions() const
{
    return SaveOptionsOf(m_main.settings());
}

bool OutputWiring::saveAs(int family)
{
    Settings& settings = m_main.settings();
    PictureFileSettings fileSettings{settings.MAIN.CURDIR, settings.OBJECT.ASSAVETYPE, {}};
    const auto keep = [&] {
        settings.MAIN.CURDIR = fileSettings.curDir;
        settings.OBJECT.ASSAVETYPE = fileSettings.asSaveType;
    };
    bool written = false;
    try {
        written = ExecuteSaveAs(&m_main, family, m_main.document().currentImage(), fileSettings,
                                saveOptions(), SaveAsLogic::firstFolder(settings.AUTOSAVE.DIR));
    } catch (...) {
        keep(); // the dialog's choices stand even when the write fails
        throw;
    }
    keep();
    if (written)
        m_main.document().markSaved();
    return written;
}

std::optional<QString> OutputWiring::continuousSave()
{
    std::optional<QString> saved =
        ContinuousSaveBySettings(m_main.document().currentImage(), m_main.settings());
    if (saved)
        m_main.document().markSaved();
    return saved;
}

void OutputWiring::copyToClipboard()
{
    // A finished area selection is what the user means to copy; otherwise the whole picture.
    const QImage& picture = m_main.document().currentImage();
    if (const std::optional<QRect> selected = m_main.edit().finishedSelection())
        copyPictureToClipboard(picture.copy(*selected & picture.rect()));
    else
        copyPictureToClipboard(picture);
}

void OutputWiring::showCurrentImage()
{
    m_main.document().SetCurrentImage(ImageDocument::Mode::Commit);
}

void OutputWiring::showStatusMessage(const QString& text)
{
    m_main.status().ShowStatusMessage(text);
}

bool OutputWiring::checkPictureShown()
{
    return CheckPictureShown(m_main.document());
}

void OutputWiring::endEditMode()
{
    if (m_main.document().endEditMode)
        m_main.document().endEditMode();
}

void OutputWiring::copyViewToCurrentImage()
{
    m_main.commitDrawing(); // what is copied, printed or mailed holds what the view shows
    m_main.document().currentImage() = m_main.document().viewBitmap();
}

void OutputWiring::setBusy(bool busy)
{
    if (busy)
        QApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
    else
        QApplication::restoreOverrideCursor();
}

} // namespace vistrel
