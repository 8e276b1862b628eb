#include "capture/scroll/FrameMatcher.h"

#include <QHash>

#include <algorithm>
#include <cstring>
#include <vector>

namespace vistrel {

namespace {

constexpr int MaxCandidates = 4;
// A match must explain this share of the overlapping rows, and a rival that
// comes this close makes the answer ambiguous.
constexpr double RequiredAgreement = 0.9;
constexpr double RivalMargin = 0.03;
constexpr int MinDistinctRows = 3;

struct Region {
    int top = 0;
    int bottom = 0; // exclusive
    int height() const { return bottom - top; }
};

// For each strip, the one row of `rows` (inside the region) that has a given
// hash; -1 where several rows share it, so blank or repeated rows never vote.
class UniqueRowIndex {
public:
    UniqueRowIndex(const FrameRows& rows, Region region) : m_index(size_t(rows.strips()))
    {
        for (int strip = 0; strip < rows.strips(); ++strip) {
            QHash<quint64, int>& index = m_index[size_t(strip)];
            index.reserve(region.height());
            for (int y = region.top; y < region.bottom; ++y) {
                const quint64 hash = rows.hash(y, strip);
                const auto found = index.find(hash);
                if (found == index.end())
                    index.insert(hash, y);
                else
                    *found = -1;
            }
        }
    }
    int rowOf(int strip, quint64 hash) const { return m_index[size_t(strip)].value(hash, -1); }
    bool distinct(const FrameRows& rows, int y) const
    {
        for (int strip = 0; strip < rows.strips(); ++strip)
            if (rowOf(strip, rows.hash(y, strip)) == y)
                return true;
        return false;
    }

private:
    std::vector<QHash<quint64, int>> m_index;
};

struct Score {
    int offset = 0;
    double agreement = 0;
    int distinct = 0;
};

int minimumOverlap(int movingHeight)
{
    return std::max(8, movingHeight / 8);
}

Region movingRegion(const FrameRows& before, const FrameRows& after)
{
    const int height = after.height();
    Region region{0, height};
    while (region.top < height && after.alike(region.top, before, region.top))
        ++region.top;
    while (region.bottom > region.top && after.alike(region.bottom - 1, before, region.bottom - 1))
        --region.bottom;
    return region;
}

std::vector<int> candidateOffsets(const FrameRows& afterRows, Region region,
                                  const UniqueRowIndex& index)
{
    const int maxOffset = region.height() - minimumOverlap(region.height());
    if (maxOffset < 1)
        return {};
    std::vector<int> votes(size_t(maxOffset) + 1, 0);
    for (int y = region.top; y < region.bottom; ++y) {
        for (int strip = 0; strip < afterRows.strips(); ++strip) {
            const int source = index.rowOf(strip, afterRows.hash(y, strip));
            const int offset = source - y;
            if (source >= 0 && offset >= 1 && offset <= maxOffset)
                ++votes[size_t(offset)];
        }
    }
    std::vector<int> offsets;
    for (int offset = 1; offset <= maxOffset; ++offset)
        if (votes[size_t(offset)] > 0)
            offsets.push_back(offset);
    const auto byVotes = [&votes](int a, int b) { return votes[size_t(a)] > votes[size_t(b)]; };
    const size_t kept = std::min<size_t>(offsets.size(), MaxCandidates);
    std::partial_sort(offsets.begin(), offsets.begin() + std::ptrdiff_t(kept), offsets.end(),
                      byVotes);
    offsets.resize(kept);
    return offsets;
}

Score scoreOffset(int offset, const FrameRows& beforeRows, const FrameRows& afterRows,
                  Region region, const UniqueRowIndex& index)
{
    Score score{offset, 0, 0};
    int agreeing = 0;
    const int last = region.bottom - offset;
    for (int y = region.top; y < last; ++y) {
        if (!afterRows.alike(y, beforeRows, y + offset))
            continue;
        ++agreeing;
        if (index.distinct(beforeRows, y + offset))
            ++score.distinct;
    }
    score.agreement = double(agreeing) / double(last - region.top);
    return score;
}

// Hashes can collide: every strip the hashes call equal must be equal in pixels.
bool pixelsConfirm(const QImage& before, const FrameRows& beforeRows, const QImage& after,
                   const FrameRows& afterRows, Region region, int offset)
{
    for (int y = region.top; y < region.bottom - offset; ++y) {
        const uchar* a = after.constScanLine(y);
        const uchar* b = before.constScanLine(y + offset);
        for (int strip = 0; strip < afterRows.strips(); ++strip) {
            if (afterRows.hash(y, strip) != beforeRows.hash(y + offset, strip))
                continue;
            const int begin = afterRows.stripBegin(strip) * 4;
            const int bytes = afterRows.stripEnd(strip) * 4 - begin;
            if (std::memcmp(a + begin, b + begin, size_t(bytes)) != 0)
                return false;
        }
    }
    return true;
}

} // namespace

FrameMatch MatchFrames(const QImage& before, const FrameRows& beforeRows, const QImage& after,
                       const FrameRows& afterRows)
{
    FrameMatch match;
    if (before.size() != after.size() || beforeRows.height() != afterRows.height() ||
        beforeRows.strips() != afterRows.strips())
        return match;
    const Region region = movingRegion(beforeRows, afterRows);
    match.topBand = region.top;
    match.bottomBand = after.height() - region.bottom;
    // Nearly every row where it was: a caret or a clock may change, the content did not move.
    if (region.height() < std::max(4, after.height() / 50)) {
        match.kind = FrameMatch::Kind::Still;
        return match;
    }
    const UniqueRowIndex index(beforeRows, region);
    std::vector<Score> scores;
    for (int offset : candidateOffsets(afterRows, region, index))
        scores.push_back(scoreOffset(offset, beforeRows, afterRows, region, index));
    std::sort(scores.begin(), scores.end(), [](const Score& a, const Score& b) {
        return a.agreement != b.agreement ? a.agreement > b.agreement : a.distinct > b.distinct;
    });
    if (scores.empty() || scores[0].agreement < RequiredAgreement ||
        scores[0].distinct < MinDistinctRows)
        return match;
    if (scores.size() > 1 && scores[1].agreement >= RequiredAgreement &&
        scores[1].agreement >= scores[0].agreement - RivalMargin)
        return match;
    if (!pixelsConfirm(before, beforeRows, after, afterRows, region, scores[0].offset))
        return match;
    match.kind = FrameMatch::Kind::Moved;
    match.offset = scores[0].offset;
    return match;
}

} // namespace vistrel
