#include "edit/ImageDocument.h"

#include "output/codecs/BmpFile.h"
#include "platform/FileWriting.h"
#include "platform/MessageBox.h"

#include <QDir>
#include <QFile>

#include <algorithm>
#include <exception>

namespace vistrel {

namespace {

// A picture shown while no tab existed (a capture shown at start) keeps a tab under this
// caption once something else arrives.
const char* const UntitledCaption = "(不明)";

// The kept pictures' captions and files, one tab a line: number, caption, file, by tabs.
const char* const KeptIndexName = "kept-tabs.txt";

QString keptPicturePath(const QString& folder, int number)
{
    return QDir(folder).filePath(QStringLiteral("kept-tab%1.bmp").arg(number));
}

QStringList keptIndexLines(const QString& folder)
{
    QFile index(QDir(folder).filePath(QString::fromLatin1(KeptIndexName)));
    if (!index.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(index.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

} // namespace

ImageDocument::ImageDocument(const TempPictures& temp, std::function<int()> tabMaximum,
                             QObject* parent)
    : QObject(parent), m_temp(temp), m_tabMaximum(std::move(tabMaximum))
{}

QString ImageDocument::imageSizeText(const QImage& image)
{
    return QStringLiteral("画像サイズ : %1×%2").arg(image.width()).arg(image.height());
}

ImageDocument::TabHistory& ImageDocument::history()
{
    return m_selected >= 0 ? *m_tabs[m_selected].history : m_loose;
}

const ImageDocument::TabHistory& ImageDocument::history() const
{
    return m_selected >= 0 ? *m_tabs[m_selected].history : m_loose;
}

void ImageDocument::resetLoose()
{
    m_loose.steps.clear();
    m_loose.savedDepth = 1;
}

int ImageDocument::undoDepth() const
{
    return history().steps.size();
}

void ImageDocument::SetCurrentImage(Mode mode)
{
    m_view = m_current.isNull() ? QImage() : m_current.convertToFormat(QImage::Format_RGB32);
    TabHistory& steps = history();
    if (mode == Mode::Reset) {
        steps.steps.clear();
        steps.savedDepth = 1;
    } else if (mode == Mode::Commit && steps.savedDepth > steps.steps.size()) {
        steps.savedDepth = -1; // the saved picture was undone and is replaced: no redo reaches it
    }
    if (mode != Mode::ShowOnly) {
        steps.steps.push(m_current);
        keepWithinBudget();
    }
    writeScratchPicture(m_current);
    if (mode == Mode::Commit && m_selected >= 0 && m_tabs[m_selected].FileTab) {
        // Edited, the opened picture is the user's work: the next file opens beside it.
        m_tabs[m_selected].FileTab = false;
    }
    Q_EMIT viewChanged();
    Q_EMIT imageSizeChanged(imageSizeText(m_current));
    if (mode != Mode::ShowOnly)
        Q_EMIT tabsChanged(); // the tab's unsaved mark
}

void ImageDocument::writeScratchPicture(const QImage& shown) const
{
    // An opened picture is in its own file already: walking the file pane writes nothing.
    if (m_selected < 0 || m_tabs[m_selected].FileTab || shown.isNull())
        return;
    try {
        m_temp.WriteTempPicture(shown, TempPictures::Kind::Tab, m_tabs[m_selected].Number);
    } catch (const std::exception&) {
        // Only a copy for other programs to look at: the tab keeps its picture in memory.
    }
}

void ImageDocument::mnuEditUndoClick()
{
    TabHistory& steps = history();
    if (steps.steps.size() <= 1) {
        MessageBox::information(QStringLiteral("１つ前の操作がありません"));
        return;
    }
    m_current = steps.steps.dropNewest();
    SetCurrentImage(Mode::ShowOnly);
    Q_EMIT tabsChanged();
}

void ImageDocument::mnuEditRedoClick()
{
    TabHistory& steps = history();
    if (steps.steps.redoSize() == 0) {
        MessageBox::information(QStringLiteral("やり直す操作がありません"));
        return;
    }
    m_current = steps.steps.redo();
    SetCurrentImage(Mode::ShowOnly);
    keepWithinBudget();
    Q_EMIT tabsChanged();
}

int ImageDocument::redoDepth() const
{
    return history().steps.redoSize();
}

qint64 ImageDocument::historyBytes() const
{
    qint64 total = m_loose.steps.heldBytes();
    for (const TTabRec& tab : m_tabs)
        total += tab.history->steps.heldBytes();
    return total;
}

void ImageDocument::keepWithinBudget()
{
    const qint64 budget = historyBudget ? historyBudget() : 0;
    if (budget <= 0)
        return;
    int dropped = 0;
    while (historyBytes() > budget) {
        // Tabs in the order they were made: the oldest steps of the oldest tab go first.
        // Within a tab its oldest undo steps go first, then its farthest redo steps.
        const auto holdsSteps = [](const TabHistory& tab) {
            return tab.steps.size() > 1 || tab.steps.redoSize() > 0;
        };
        TabHistory* oldest = holdsSteps(m_loose) ? &m_loose : nullptr;
        for (int i = 0; oldest == nullptr && i < m_tabs.size(); ++i)
            if (holdsSteps(*m_tabs[i].history))
                oldest = m_tabs[i].history.get();
        if (oldest == nullptr)
            break;
        if (oldest->steps.size() > 1) {
            oldest->steps.dropOldest();
            if (oldest->savedDepth > 0)
                --oldest->savedDepth; // 0: the saved picture has gone with the step
        } else {
            if (oldest->savedDepth > oldest->steps.size() + oldest->steps.redoSize() - 1)
                oldest->savedDepth = -1; // the saved picture was the step dropped
            oldest->steps.dropFarthestRedo();
        }
        ++dropped;
    }
    if (dropped > 0)
        Q_EMIT statusMessage(QStringLiteral("元に戻す履歴がメモリの上限(%1MB)に達したため、"
                                            "古い操作を%2件削除しました")
                                 .arg(budget >> 20)
                                 .arg(dropped));
}

bool ImageDocument::tabEdited(int index) const
{
    return index >= 0 && index < m_tabs.size() && m_tabs[index].history->edited();
}

bool ImageDocument::anyTabEdited() const
{
    for (int index = 0; index < m_tabs.size(); ++index)
        if (tabEdited(index))
            return true;
    return false;
}

void ImageDocument::markSaved()
{
    TabHistory& steps = history();
    steps.savedDepth = steps.steps.size();
    Q_EMIT tabsChanged();
}

int ImageDocument::freeNumber() const
{
    for (int number = 1;; ++number)
        if (std::none_of(m_tabs.begin(), m_tabs.end(),
                         [number](const TTabRec& tab) { return tab.Number == number; }))
            return number;
}

int ImageDocument::tabToRecycle() const
{
    for (int index = 0; index < m_tabs.size(); ++index)
        if (!tabEdited(index))
            return index;
    return -1;
}

bool ImageDocument::appendTab(TTabRec tab)
{
    bool withinMaximum = true;
    if (m_selected >= 0)
        m_tabs[m_selected].history->steps.packNewest();
    if (!m_tabs.isEmpty() && m_tabs.size() >= m_tabMaximum()) {
        // Only one tab makes room, even when the maximum has been lowered meanwhile.
        const int recycled = tabToRecycle();
        if (recycled >= 0)
            m_tabs.removeAt(recycled);
        else
            withinMaximum = false;
    }
    tab.Number = freeNumber();
    m_tabs.append(std::move(tab));
    m_selected = static_cast<int>(m_tabs.size()) - 1;
    resetLoose();
    enterSelectedTab();
    writeScratchPicture(m_current);
    if (!withinMaximum)
        Q_EMIT statusMessage(tabMaximumPassedText(m_tabMaximum()));
    return withinMaximum;
}

bool ImageDocument::AddCaptureTab(const QString& title)
{
    TTabRec tab;
    tab.Title = title;
    tab.history->steps.push(m_current);
    return appendTab(std::move(tab));
}

QString ImageDocument::tabMaximumPassedText(int maximum)
{
    return QStringLiteral(
               "タブが上限の%1個を超えました(どのタブにも保存されていない編集があります)")
        .arg(maximum);
}

void ImageDocument::enterSelectedTab()
{
    m_current = m_tabs[m_selected].history->steps.newest();
    m_view = m_current.isNull() ? QImage() : m_current.convertToFormat(QImage::Format_RGB32);
    Q_EMIT tabsChanged();
    Q_EMIT viewChanged();
    Q_EMIT imageSizeChanged(imageSizeText(m_current));
    Q_EMIT captionChanged();
}

void ImageDocument::storeSelectedTab()
{
    if (!m_tabs.isEmpty() || m_loose.steps.size() == 0 || m_view.isNull())
        return;
    // The history goes with the picture into a tab of its own.
    TTabRec tab;
    tab.Title = QString::fromUtf8(UntitledCaption);
    std::swap(tab.history->savedDepth, m_loose.savedDepth);
    tab.history->steps.swap(m_loose.steps);
    const QImage captured = m_current; // a capture may have replaced it behind the view
    appendTab(std::move(tab));
    m_current = captured;
}

void ImageDocument::tabWindowChanging()
{
    if (m_tabs.isEmpty())
        return;
    if (endEditMode)
        endEditMode();
    if (m_selected >= 0)
        m_tabs[m_selected].history->steps.packNewest();
}

void ImageDocument::replacePicture(const QImage& picture)
{
    if (m_tabs.isEmpty())
        return showOpenedPicture(picture, QStringLiteral("クリップボード"));
    // An unfinished selection or shape belongs to the picture that is being replaced.
    if (endEditMode)
        endEditMode();
    m_current = picture;
    SetCurrentImage(Mode::Commit);
}

void ImageDocument::showOpenedPicture(const QImage& picture, const QString& caption,
                                      const QString& fileName)
{
    if (endEditMode)
        endEditMode();
    storeSelectedTab();
    const auto found =
        std::find_if(m_tabs.begin(), m_tabs.end(), [](const TTabRec& tab) { return tab.FileTab; });
    if (found == m_tabs.end()) {
        TTabRec tab;
        tab.Title = caption;
        tab.FileName = fileName;
        tab.FileTab = true;
        tab.history->steps.push(picture);
        appendTab(std::move(tab));
        return;
    }
    const int index = static_cast<int>(found - m_tabs.begin());
    if (m_selected != index && m_selected >= 0)
        m_tabs[m_selected].history->steps.packNewest();
    m_selected = index;
    TTabRec& tab = m_tabs[index];
    tab.Title = caption;
    tab.FileName = fileName;
    tab.history->steps.clear();
    tab.history->steps.push(picture);
    tab.history->savedDepth = 1;
    enterSelectedTab();
}

void ImageDocument::closeTab(int index)
{
    if (index < 0 || index >= m_tabs.size())
        return;
    if (index == m_selected && endEditMode)
        endEditMode();
    m_tabs.removeAt(index);
    if (m_tabs.isEmpty()) {
        m_selected = -1;
        m_current = QImage();
        m_view = QImage();
        resetLoose();
        Q_EMIT tabsChanged();
        Q_EMIT viewChanged();
        Q_EMIT imageSizeChanged(imageSizeText(m_current));
        Q_EMIT captionChanged();
        return;
    }
    if (index < m_selected) {
        --m_selected;
        Q_EMIT tabsChanged();
        return;
    }
    if (index == m_selected) {
        m_selected = std::min(index, static_cast<int>(m_tabs.size()) - 1);
        enterSelectedTab();
        return;
    }
    Q_EMIT tabsChanged();
}

void ImageDocument::tabWindowChange(int index)
{
    if (index < 0 || index >= m_tabs.size())
        return;
    m_selected = index;
    enterSelectedTab();
}

void ImageDocument::selectTab(int index)
{
    if (index == m_selected)
        return;
    try {
        tabWindowChanging();
        tabWindowChange(index);
    } catch (...) {
        Q_EMIT tabsChanged(); // the tab bar has moved already
        throw;
    }
}

double ImageDocument::zoom() const
{
    return m_selected >= 0 ? m_tabs[m_selected].zoom : m_looseZoom;
}

void ImageDocument::setZoom(double zoom)
{
    (m_selected >= 0 ? m_tabs[m_selected].zoom : m_looseZoom) = zoom;
}

} // namespace vistrel

namespace vistrel {

int ImageDocument::keepEditedTabs(const QString& folder) const
{
    QByteArray index;
    int kept = 0;
    for (int i = 0; i < m_tabs.size(); ++i) {
        if (!tabEdited(i))
            continue;
        const TTabRec& tab = m_tabs[i];
        // The picture on show: a capture may have replaced the current image behind it.
        BmpFile::write(tab.history->steps.newest(), keptPicturePath(folder, tab.Number));
        QString caption = tab.Title;
        caption.replace(QLatin1Char('\t'), QLatin1Char(' '))
            .replace(QLatin1Char('\n'), QLatin1Char(' '));
        index += QStringLiteral("%1\t%2\t%3\n").arg(tab.Number).arg(caption, tab.FileName).toUtf8();
        ++kept;
    }
    if (kept > 0)
        writeFileAtomically(QDir(folder).filePath(QString::fromLatin1(KeptIndexName)), index, true);
    return kept;
}

int ImageDocument::keptTabCount(const QString& folder)
{
    return static_cast<int>(keptIndexLines(folder).size());
}

int ImageDocument::restoreKeptTabs(const QString& folder, bool restore)
{
    int restored = 0;
    for (const QString& line : keptIndexLines(folder)) {
        const QStringList fields = line.split(QLatin1Char('\t'));
        const QString picturePath = keptPicturePath(folder, fields.value(0).toInt());
        if (restore && fields.size() >= 3) {
            try {
                TTabRec tab;
                tab.Title = fields[1];
                tab.FileName = fields[2];
                tab.history->steps.push(BmpFile::read(picturePath));
                tab.history->savedDepth = 0; // never saved: the edits were kept for the user
                appendTab(std::move(tab));
                ++restored;
            } catch (const std::exception&) {
                // A damaged kept picture is left out; the others still come back.
            }
        }
        QFile::remove(picturePath);
    }
    QFile::remove(QDir(folder).filePath(QString::fromLatin1(KeptIndexName)));
    return restored;
}

} // namespace vistrel
