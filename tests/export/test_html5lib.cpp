#include "export/pageedit.h"

#include <QDir>
#include <QFile>
#include <QtTest>
#include <gumbo.h>
#include <vector>

using namespace exporting;

namespace {

const QString CorpusDir =
    QStringLiteral(KORVALIS_SHARED_DIR "/corpora/html5lib-tests/tree-construction");
const qint64 Id = 42;

// The documents of one tree-construction file, fragments left out.
QList<QByteArray> documentsOf(const QByteArray& file)
{
    QList<QByteArray> docs;
    qsizetype at = file.startsWith("#data\n") ? 0 : file.indexOf("\n#data\n");
    while (at >= 0) {
        const qsizetype start = file.indexOf("#data\n", at) + 6;
        const qsizetype errors = file.indexOf("\n#errors", start - 1);
        if (errors < 0)
            break;
        const qsizetype next = file.indexOf("\n#data\n", errors);
        const QByteArray rest = file.mid(errors, next < 0 ? -1 : next - errors);
        if (!rest.contains("\n#document-fragment"))
            docs.append(file.mid(start, qMax<qsizetype>(0, errors - start)));
        at = next;
    }
    return docs;
}

class Tree
{
public:
    explicit Tree(const QByteArray& page) : page_(page)
    {
        out_ = gumbo_parse_with_options(&kGumboDefaultOptions, page_.constData(),
                                        size_t(page_.size()));
        walk(out_->document);
    }
    ~Tree() { gumbo_destroy_output(&kGumboDefaultOptions, out_); }

    // Nodes in document order.
    std::vector<const GumboNode*> nodes;

    const GumboNode* body() const
    {
        for (const GumboNode* n : nodes)
            if (n->type == GUMBO_NODE_ELEMENT && n->v.element.tag == GUMBO_TAG_BODY)
                return n;
        return nullptr;
    }
    bool hasWrittenBodyTag() const { return body() && body()->v.element.original_tag.length > 0; }

    qsizetype indexOfComment(const QByteArray& text) const
    {
        for (size_t i = 0; i < nodes.size(); ++i)
            if (nodes[i]->type == GUMBO_NODE_COMMENT && text == nodes[i]->v.text.text)
                return qsizetype(i);
        return -1;
    }
    qsizetype indexOf(const GumboNode* node) const
    {
        for (size_t i = 0; i < nodes.size(); ++i)
            if (nodes[i] == node)
                return qsizetype(i);
        return -1;
    }
    bool insideBody(const GumboNode* node) const
    {
        for (const GumboNode* p = node->parent; p; p = p->parent)
            if (p == body())
                return true;
        return false;
    }

private:
    void walk(const GumboNode* root)
    {
        std::vector<const GumboNode*> pending{root};
        while (!pending.empty()) {
            const GumboNode* n = pending.back();
            pending.pop_back();
            nodes.push_back(n);
            const GumboVector* children = nullptr;
            if (n->type == GUMBO_NODE_DOCUMENT)
                children = &n->v.document.children;
            else if (n->type == GUMBO_NODE_ELEMENT || n->type == GUMBO_NODE_TEMPLATE)
                children = &n->v.element.children;
            if (children)
                for (unsigned i = children->length; i > 0; --i)
                    pending.push_back(static_cast<const GumboNode*>(children->data[i - 1]));
        }
    }

    QByteArray page_;
    GumboOutput* out_ = nullptr;
};

QByteArray block(const QByteArray& begin, const QByteArray& text, const QByteArray& end,
                 const QByteArray& le)
{
    return le + begin + le + text + le + end + le;
}

// The page with the export's three insertions taken out again; empty when one is missing.
QByteArray withoutInsertions(QByteArray out, const QByteArray& le)
{
    const QByteArray head =
        block(headBeginMarker(Id), "<script>var k=1;</script>", headEndMarker(Id), le);
    const QByteArray html =
        block(htmlBeginMarker(Id), " <p id=\"k42\">x</p>", htmlEndMarker(Id), le);
    const QByteArray body = " data-k=\"1\" ";
    for (const QByteArray& piece : {head, html}) {
        const qsizetype at = out.indexOf(piece);
        if (at < 0)
            return {};
        out.remove(at, piece.size());
    }
    const qsizetype at = out.indexOf(body);
    if (at < 0)
        return {};
    const bool closedTag = out.mid(at + body.size(), 2) == "> ";
    out.remove(at, body.size());
    if (closedTag)
        out.remove(at + 1, 1);
    return out;
}

} // namespace

class TestHtml5lib : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void exportIntoEveryCorpusPageWithABodyTag();
};

void TestHtml5lib::exportIntoEveryCorpusPageWithABodyTag()
{
    const QDir dir(CorpusDir);
    if (!dir.exists())
        QSKIP(qPrintable(QStringLiteral("html5lib corpus not found at %1").arg(CorpusDir)));
    const PageScript script{Id, QStringLiteral("<script>var k=1;</script>"),
                            QStringLiteral("data-k=\"1\""), QStringLiteral("<p id=\"k42\">x</p>")};
    int withTag = 0, refusedByCharset = 0, total = 0;
    for (const QString& name : dir.entryList({QStringLiteral("*.dat")}, QDir::Files, QDir::Name)) {
        QFile file(dir.filePath(name));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QList<QByteArray> docs = documentsOf(file.readAll());
        for (int i = 0; i < docs.size(); ++i) {
            const QByteArray& doc = docs[i];
            ++total;
            const QByteArray where =
                name.toUtf8() + " #" + QByteArray::number(i) + ": " + doc.left(80);
            const PageEdit edit = editPage(doc, script);
            if (!Tree(doc).hasWrittenBodyTag()) {
                // Without a body start tag the page is refused, never half-edited.
                QVERIFY2(!edit.ok() && edit.page.isEmpty(), where.constData());
                continue;
            }
            ++withTag;
            if (edit.problem == PageProblem::UnusableCharset) {
                ++refusedByCharset;
                continue;
            }
            QVERIFY2(edit.ok(), (where + " -> " + edit.message.toUtf8()).constData());
            const QByteArray le = doc.contains("\n") && !doc.contains("\r\n") ? "\n" : "\r\n";
            QVERIFY2(withoutInsertions(edit.page, le) == doc, where.constData());
            QVERIFY2(editPage(edit.page, script).page == edit.page, where.constData());

            const Tree tree(edit.page);
            QVERIFY2(tree.hasWrittenBodyTag(), where.constData());
            const qsizetype bodyAt = tree.indexOf(tree.body());
            const qsizetype headBegin = tree.indexOfComment(" Beginning of JavaScript id=42 ");
            const qsizetype headEnd = tree.indexOfComment(" End of JavaScript id=42 ");
            QVERIFY2(headBegin >= 0 && headBegin < headEnd && headEnd < bodyAt, where.constData());
            const GumboNode* first = nullptr;
            const GumboVector& children = tree.body()->v.element.children;
            for (unsigned c = 0; c < children.length && !first; ++c) {
                const auto* n = static_cast<const GumboNode*>(children.data[c]);
                if (n->type != GUMBO_NODE_WHITESPACE)
                    first = n;
            }
            QVERIFY2(first && first->type == GUMBO_NODE_COMMENT &&
                         QByteArray(first->v.text.text) == " Beginning of HTML JavaScript id=42 ",
                     where.constData());
            for (const GumboNode* n : tree.nodes) {
                if (n->type == GUMBO_NODE_ELEMENT && n->v.element.tag == GUMBO_TAG_SCRIPT &&
                    n->v.element.children.length == 1 &&
                    QByteArray(static_cast<const GumboNode*>(n->v.element.children.data[0])
                                   ->v.text.text) == "var k=1;")
                    QVERIFY2(!tree.insideBody(n), where.constData());
            }
        }
    }
    qInfo("%d documents, %d with a body start tag, %d refused for their charset", total, withTag,
          refusedByCharset);
    QVERIFY(withTag >= 150);
    QCOMPARE(refusedByCharset, 0);
}

QTEST_GUILESS_MAIN(TestHtml5lib)
#include "test_html5lib.moc"
