#include "unifieddiff.h"

#include <algorithm>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace exporting {

namespace {

using Lines = std::vector<std::string_view>;

Lines splitLines(const QByteArray& text)
{
    Lines lines;
    const std::string_view all(text.constData(), size_t(text.size()));
    size_t start = 0;
    while (start < all.size()) {
        const size_t end = all.find('\n', start);
        const size_t next = end == std::string_view::npos ? all.size() : end + 1;
        lines.push_back(all.substr(start, next - start));
        start = next;
    }
    return lines;
}

// Myers' O(ND) difference in linear space: marks the lines of `a` that go and the lines of `b`
// that come. Lines are compared as numbers, one per distinct line.
class LineDiff
{
public:
    LineDiff(const std::vector<int>& a, const std::vector<int>& b)
        : a_(a), b_(b), removed_(a.size()), added_(b.size())
    {
        compare(0, int(a.size()), 0, int(b.size()));
    }

    const std::vector<bool>& removed() const { return removed_; }
    const std::vector<bool>& added() const { return added_; }

private:
    void compare(int a0, int a1, int b0, int b1)
    {
        while (a0 < a1 && b0 < b1 && a_[size_t(a0)] == b_[size_t(b0)])
            ++a0, ++b0;
        while (a0 < a1 && b0 < b1 && a_[size_t(a1 - 1)] == b_[size_t(b1 - 1)])
            --a1, --b1;
        if (a0 == a1 || b0 == b1) {
            std::fill(removed_.begin() + a0, removed_.begin() + a1, true);
            std::fill(added_.begin() + b0, added_.begin() + b1, true);
            return;
        }
        const auto [x, y] = middleSnake(a0, a1, b0, b1);
        // A split that leaves the problem whole would never end.
        if (x < 0 || (x == a0 && y == b0) || (x == a1 && y == b1)) {
            std::fill(removed_.begin() + a0, removed_.begin() + a1, true);
            std::fill(added_.begin() + b0, added_.begin() + b1, true);
            return;
        }
        compare(a0, x, b0, y);
        compare(x, a1, y, b1);
    }

    // A point on an optimal path from (a0, b0) to (a1, b1) that splits it in two smaller
    // problems, searched from both ends at once until the two searches meet; {-1, -1} when
    // they do not (then every line of the one goes and every line of the other comes).
    std::pair<int, int> middleSnake(int a0, int a1, int b0, int b1) const
    {
        const int n = a1 - a0;
        const int m = b1 - b0;
        const int maxD = (n + m + 1) / 2;
        const int offset = maxD;
        const int width = 2 * maxD + 2;
        std::vector<int> forward(size_t(width), -1);
        std::vector<int> backward(size_t(width), -1);
        forward[size_t(offset + 1)] = 0;
        backward[size_t(offset + 1)] = 0;
        const int delta = n - m;
        const bool odd = delta % 2 != 0;
        // Diagonals whose path left the grid are not searched again.
        int forwardStart = 0, forwardEnd = 0, backwardStart = 0, backwardEnd = 0;
        for (int d = 0; d < maxD; ++d) {
            for (int k = -d + forwardStart; k <= d - forwardEnd; k += 2) {
                const size_t at = size_t(offset + k);
                int x = (k == -d || (k != d && forward[at - 1] < forward[at + 1]))
                            ? forward[at + 1]
                            : forward[at - 1] + 1;
                int y = x - k;
                while (x < n && y < m && a_[size_t(a0 + x)] == b_[size_t(b0 + y)])
                    ++x, ++y;
                forward[at] = x;
                if (x > n) {
                    forwardEnd += 2;
                } else if (y > m) {
                    forwardStart += 2;
                } else if (odd) {
                    const int other = offset + delta - k;
                    if (other >= 0 && other < width && backward[size_t(other)] != -1 &&
                        x >= n - backward[size_t(other)])
                        return {a0 + x, b0 + y};
                }
            }
            for (int k = -d + backwardStart; k <= d - backwardEnd; k += 2) {
                const size_t at = size_t(offset + k);
                int x = (k == -d || (k != d && backward[at - 1] < backward[at + 1]))
                            ? backward[at + 1]
                            : backward[at - 1] + 1;
                int y = x - k;
                while (x < n && y < m && a_[size_t(a1 - 1 - x)] == b_[size_t(b1 - 1 - y)])
                    ++x, ++y;
                backward[at] = x;
                if (x > n) {
                    backwardEnd += 2;
                } else if (y > m) {
                    backwardStart += 2;
                } else if (!odd) {
                    const int other = offset + delta - k;
                    if (other >= 0 && other < width && forward[size_t(other)] != -1) {
                        const int fx = forward[size_t(other)];
                        const int fy = offset + fx - other;
                        if (fx >= n - x)
                            return {a0 + fx, b0 + fy};
                    }
                }
            }
        }
        return {-1, -1};
    }

    const std::vector<int>& a_;
    const std::vector<int>& b_;
    std::vector<bool> removed_;
    std::vector<bool> added_;
};

// A run of lines that goes, `a[a0, a1)`, and the run that comes in its place, `b[b0, b1)`.
struct Change
{
    int a0, a1, b0, b1;
};

// "start,count" as diff writes it: the count left out when it is 1, and for no lines at all
// the number of the line before them.
QByteArray range(int start, int count)
{
    if (count == 0)
        return QByteArray::number(start) + ",0";
    if (count == 1)
        return QByteArray::number(start + 1);
    return QByteArray::number(start + 1) + ',' + QByteArray::number(count);
}

void appendLine(QByteArray& out, char mark, std::string_view line)
{
    out += mark;
    out.append(line.data(), qsizetype(line.size()));
    if (line.empty() || line.back() != '\n')
        out += "\n\\ No newline at end of file\n";
}

} // namespace

QByteArray unifiedDiff(const QByteArray& before, const QByteArray& after, const QByteArray& name,
                       int context)
{
    if (before == after)
        return QByteArray();
    const Lines a = splitLines(before);
    const Lines b = splitLines(after);
    // The lines both share at the start and at the end are never looked at again: an export
    // changes a few blocks of a page that may be large.
    size_t prefix = 0;
    while (prefix < a.size() && prefix < b.size() && a[prefix] == b[prefix])
        ++prefix;
    size_t suffix = 0;
    while (suffix < a.size() - prefix && suffix < b.size() - prefix &&
           a[a.size() - 1 - suffix] == b[b.size() - 1 - suffix])
        ++suffix;
    std::unordered_map<std::string_view, int> numbers;
    const auto numbered = [&numbers](const Lines& lines, size_t from, size_t to) {
        std::vector<int> ids;
        ids.reserve(to - from);
        for (size_t i = from; i < to; ++i)
            ids.push_back(numbers.emplace(lines[i], int(numbers.size())).first->second);
        return ids;
    };
    const std::vector<int> middleA = numbered(a, prefix, a.size() - suffix);
    const std::vector<int> middleB = numbered(b, prefix, b.size() - suffix);
    const LineDiff diff(middleA, middleB);
    const std::vector<bool>& removed = diff.removed();
    const std::vector<bool>& added = diff.added();

    std::vector<Change> changes;
    for (int i = 0, j = 0; i < int(middleA.size()) || j < int(middleB.size());) {
        if (i < int(middleA.size()) && j < int(middleB.size()) && !removed[size_t(i)] &&
            !added[size_t(j)]) {
            ++i, ++j;
            continue;
        }
        Change c{i, i, j, j};
        while (c.a1 < int(middleA.size()) && removed[size_t(c.a1)])
            ++c.a1;
        while (c.b1 < int(middleB.size()) && added[size_t(c.b1)])
            ++c.b1;
        i = c.a1;
        j = c.b1;
        const int shift = int(prefix);
        changes.push_back(Change{c.a0 + shift, c.a1 + shift, c.b0 + shift, c.b1 + shift});
    }

    QByteArray out = "--- " + name + "\n+++ " + name + "\n";
    for (size_t first = 0; first < changes.size();) {
        // Changes whose context would touch or overlap go into one hunk.
        size_t last = first;
        while (last + 1 < changes.size() && changes[last + 1].a0 - changes[last].a1 <= 2 * context)
            ++last;
        const int before0 = std::min(context, changes[first].a0);
        const int a0 = changes[first].a0 - before0;
        const int b0 = changes[first].b0 - before0;
        const int after1 = std::min(context, int(a.size()) - changes[last].a1);
        const int a1 = changes[last].a1 + after1;
        const int b1 = changes[last].b1 + after1;
        out += "@@ -" + range(a0, a1 - a0) + " +" + range(b0, b1 - b0) + " @@\n";
        int i = a0;
        for (size_t c = first; c <= last; ++c) {
            for (; i < changes[c].a0; ++i)
                appendLine(out, ' ', a[size_t(i)]);
            for (; i < changes[c].a1; ++i)
                appendLine(out, '-', a[size_t(i)]);
            for (int j = changes[c].b0; j < changes[c].b1; ++j)
                appendLine(out, '+', b[size_t(j)]);
        }
        for (; i < a1; ++i)
            appendLine(out, ' ', a[size_t(i)]);
        first = last + 1;
    }
    return out;
}

} // namespace exporting
