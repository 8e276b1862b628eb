#include "output/AfterActions.h"

#include "output/AfterActionAvailability.h"
#include "output/print/PrintAction.h"

namespace vistrel {

namespace {

// Restores the normal cursor however the command ends.
class BusyScope {
public:
    explicit BusyScope(AfterActionHost& host) : m_host(host) { m_host.setBusy(true); }
    ~BusyScope() { m_host.setBusy(false); }
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;

private:
    AfterActionHost& m_host;
};

} // namespace

QString AfterActions::continuousSaveText(const QString& fileName)
{
    return QStringLiteral("連続保存によりファイルへ出力しました。[ファイル名 = ") + fileName +
           QLatin1Char(']');
}

bool AfterActions::PerformAfterAction(int code)
{
    std::pair<QString, bool> result;
    try {
        result = perform(code);
    } catch (...) {
        // The error itself is shown by the general handler; no earlier message may stay.
        m_host.showStatusMessage(QString());
        throw;
    }
    m_host.showStatusMessage(result.first);
    return result.second;
}

std::pair<QString, bool> AfterActions::perform(int code)
{
    if (!IsAfterActionAvailable(code))
        return {}; // 0, unknown codes and actions not built do nothing
    switch (code) {
    case 1:
    case 2:
    case 3:
    case 4:
        if (m_host.saveAs(code))
            return {QString::fromUtf8(SavedText), true};
        return {};
    case 5:
        if (const auto name = m_host.continuousSave())
            return {continuousSaveText(*name), true};
        return {};
    case 6:
        m_host.copyToClipboard();
        return {QString::fromUtf8(CopiedText), true};
    case 7: {
        // No printer and a cancelled dialog are reported, but nothing was printed.
        const QString text = m_host.printCurrentImage();
        return {text, text == QString::fromUtf8(PrintedText)};
    }
    case 8: {
        const QString text = m_host.sendCurrentImageByMail();
        return {text, !text.isEmpty()};
    }
    case 9:
        m_host.showCurrentImage();
        return {QString(), true};
    default:
        return {};
    }
}

void AfterActions::mnuFileSaveClick(int tag)
{
    if (!m_host.checkPictureShown())
        return;
    m_host.showStatusMessage(QString::fromUtf8(ChoosingFileText));
    m_host.endEditMode();
    m_host.copyViewToCurrentImage();
    if (tag >= 1 && tag <= 4)
        PerformAfterAction(tag);
}

void AfterActions::mnuFileAutoSaveClick()
{
    if (!m_host.checkPictureShown())
        return;
    const BusyScope busy(m_host);
    m_host.copyViewToCurrentImage();
    PerformAfterAction(5);
}

void AfterActions::mnuEditCopyClick()
{
    if (!m_host.checkPictureShown())
        return;
    const BusyScope busy(m_host);
    m_host.copyViewToCurrentImage();
    PerformAfterAction(6);
}

void AfterActions::mnuFilePrintClick()
{
    if (!m_host.checkPictureShown())
        return;
    const BusyScope busy(m_host);
    m_host.showStatusMessage(QString::fromUtf8(PrintingText));
    m_host.copyViewToCurrentImage();
    PerformAfterAction(7);
}

void AfterActions::mnuFileSendMailClick()
{
    if (!m_host.checkPictureShown())
        return;
    const BusyScope busy(m_host);
    m_host.copyViewToCurrentImage();
    PerformAfterAction(8);
}

QString AfterActions::commandForAfterAction(int code)
{
    static const char* const commands[] = {nullptr,        "mnuFileSave",  "mnuFileJSave",
                                           "mnuFilePSave", "mnuFileGSave", "mnuFileAutoSave",
                                           "mnuEditCopy",  "mnuFilePrint", "mnuFileSendMail"};
    if (code < 1 || code > 8)
        return {};
    return QString::fromLatin1(commands[code]);
}

} // namespace vistrel
