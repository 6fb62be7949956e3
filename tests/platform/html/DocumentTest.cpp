// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <string>
#include <unordered_map>

#include "platform/core/Failure.h"
#include "platform/html/Html.h"

namespace pelmor::html {
namespace {

// Names of the element children, joined by ",", to compare tree shapes at a glance.
std::string ChildNames(Node parent) {
    std::string out;
    for (Node n = parent.firstChild(); n; n = n.nextSibling()) {
        if (!out.empty()) out += ',';
        out += n.nodeName();
    }
    return out;
}

TEST(HtmlDocument, BuildsTheBrowserTreeWithImpliedElements) {
    auto doc = Document::Parse("<title> My  page </title><table><tr><td>a<td>b</table><p>x", "http://h/p.html");
    EXPECT_EQ(doc->URL(), "http://h/p.html");
    EXPECT_EQ(doc->location().href(), "http://h/p.html");
    EXPECT_EQ(doc->readyState(), "complete");
    EXPECT_EQ(doc->title(), "My page");
    EXPECT_EQ(doc->documentElement().nodeName(), "HTML");
    EXPECT_EQ(ChildNames(doc->documentElement()), "HEAD,BODY");
    Element body = doc->body();
    ASSERT_TRUE(body.IsBody());
    EXPECT_EQ(ChildNames(body), "TABLE,P");
    // The parser puts the rows of a table without TBODY into one.
    Element table = body.children().item(0);
    EXPECT_EQ(ChildNames(table), "TBODY");
    Element row = table.firstChild().firstChild().AsElement();
    EXPECT_TRUE(row.IsTableRow());
    EXPECT_EQ(ChildNames(row), "TD,TD");
    EXPECT_EQ(row.firstChild().firstChild().nodeName(), "#text");
    EXPECT_EQ(row.firstChild().firstChild().nodeValue(), "a");
}

// Path of an element from the body: node names with the index among same-name siblings.
std::string PathOf(Node node) {
    std::string path;
    for (; node && !node.AsElement().IsBody(); node = node.parentNode()) {
        int k = 0;
        NodeList siblings = node.parentNode().childNodes();
        for (size_t i = 0; i < siblings.length() && !(siblings.item(i) == node); ++i)
            if (siblings.item(i).nodeName() == node.nodeName()) ++k;
        path = std::string(node.nodeName()) + "(" + std::to_string(k) + ")" + (path.empty() ? "" : ",") + path;
    }
    return path;
}

TEST(HtmlDocument, ElementPathsThroughTheImpliedTbody) {
    auto doc = Document::Parse("<p>x</p>\n<table>\n<tr><td>1</td></tr>\n<tr><td>2</td></tr>\n<tr><td>a</td><td>b</td>"
                               "</tr></table><table><tbody><tr><td>c</td></tr></tbody></table>");
    ElementList rows = doc->getElementsByTagName("TR");
    ASSERT_EQ(rows.length(), 4u);
    EXPECT_EQ(PathOf(rows.item(2)), "TABLE(0),TBODY(0),TR(2)");
    EXPECT_EQ(PathOf(rows.item(2).children().item(1)), "TABLE(0),TBODY(0),TR(2),TD(1)");
    EXPECT_EQ(PathOf(rows.item(3)), "TABLE(1),TBODY(0),TR(0)");
    EXPECT_EQ(PathOf(rows.item(2).children().item(1).firstChild()), "TABLE(0),TBODY(0),TR(2),TD(1),#text(0)");
}

TEST(HtmlDocument, ChildNodesCountEveryChildIncludingWhiteSpaceText) {
    auto doc = Document::Parse("<body><div>\n  <b>x</b>  <!-- c -->\n</div></body>");
    Element div = doc->body().children().item(0);
    NodeList kids = div.childNodes();
    ASSERT_EQ(kids.length(), 5u);
    EXPECT_EQ(kids.item(0).nodeType(), kTextNode);
    EXPECT_EQ(kids.item(1).nodeName(), "B");
    EXPECT_EQ(kids.item(2).nodeValue(), "  ");
    EXPECT_EQ(kids.item(3).nodeType(), kCommentNode);
    EXPECT_EQ(kids.item(3).nodeName(), "#comment");
    EXPECT_EQ(kids.item(4).nodeValue(), "\n");
    EXPECT_FALSE(kids.item(5));
    // The list is live: it follows changes of the tree, and index walks in any order agree.
    div.removeChild(kids.item(1));
    EXPECT_EQ(kids.length(), 4u);
    EXPECT_EQ(kids.item(3).nodeValue(), "\n");
    EXPECT_EQ(kids.item(1).nodeValue(), "  ");
    EXPECT_EQ(kids.item(0).nodeValue(), "\n  ");
    EXPECT_EQ(kids.item(2).nodeType(), kCommentNode);
}

TEST(HtmlDocument, EmptyHandlesAnswerEmptyValuesSoWalksChain) {
    Node none;
    EXPECT_EQ(none.nodeType(), kNoNode);
    EXPECT_EQ(none.firstChild().nextSibling().parentNode().nodeName(), "");
    EXPECT_EQ(none.AsElement().getAttribute("x"), "");
    EXPECT_EQ(none.AsElement().innerText(), "");
    EXPECT_EQ(none.AsElement().children().item(3).outerHTML(), "");
    EXPECT_EQ(none.childNodes().length(), 0u);
    EXPECT_FALSE(none.AsElement().setAttribute("a", "b"));
}

TEST(HtmlDocument, GetElementsByTagNameIgnoresLetterCase) {
    auto doc = Document::Parse(
        "<head><meta http-equiv='Refresh' content='5; url=/next'><base href='http://b/'></head>"
        "<frameset><frame src='a.html'><FRAME src='b.html'></frameset>");
    EXPECT_EQ(doc->getElementsByTagName("Frame").length(), 2u);
    EXPECT_EQ(doc->getElementsByTagName("frame").item(1).src(), "b.html");
    ElementList metas = doc->getElementsByTagName("META");
    ASSERT_EQ(metas.length(), 1u);
    EXPECT_EQ(metas.item(0).httpEquiv(), "Refresh");
    EXPECT_EQ(metas.item(0).content(), "5; url=/next");
    EXPECT_EQ(doc->getElementsByTagName("BASE").item(0).href(), "http://b/");
    EXPECT_EQ(doc->getElementsByTagName("HEAD").length(), 1u);
    EXPECT_EQ(doc->getElementsByTagName("*").item(1).nodeName(), "HEAD");
    EXPECT_EQ(doc->body().nodeName(), "FRAMESET");
}

TEST(HtmlDocument, ImagesAndAttributes) {
    auto doc = Document::Parse("<p><img SRC='http://h/pics/cat.gif' Alt=x><object></object></p>");
    Element p = doc->body().children().item(0);
    ElementList imgs = p.getElementsByTagName("IMG");
    ASSERT_EQ(imgs.length(), 1u);
    Element img = imgs.item(0);
    EXPECT_TRUE(img.IsImage());
    EXPECT_EQ(img.nameProp(), "cat.gif");
    EXPECT_EQ(img.getAttribute("ALT"), "x");
    EXPECT_TRUE(p.children().item(1).IsObject());
    img.setAttribute("PelmorID", "42");
    img.setAttribute("pelmorid", "43");
    EXPECT_EQ(img.getAttribute("PELMORID"), "43");
    EXPECT_EQ(img.attributeCount(), 3u);
    EXPECT_NE(p.innerHTML().find("PelmorID=\"43\""), std::string::npos);
}

TEST(HtmlDocument, FramesCollectionWithAnInaccessibleWindow) {
    auto doc = Document::Parse("<frameset><frame src='a.html'><frame src='http://other/b.html'></frameset>",
                               "http://h/index.html");
    FrameCollection frames = doc->frames();
    ASSERT_EQ(frames.length(), 2u);
    EXPECT_FALSE(frames.item(2));
    EXPECT_EQ(frames.item(0).frameElement().src(), "a.html");
    EXPECT_EQ(frames.item(0).document(), nullptr);  // nothing loaded yet

    auto inner = Document::Parse("<p>frame a</p>", "http://h/a.html");
    doc->frames().item(0).SetDocument(inner);
    doc->frames().item(1).SetDocument(Document::Parse("<p>b</p>"));
    doc->frames().item(1).SetAccessible(false);

    // A fresh collection sees what was stored through an earlier one.
    FrameCollection again = doc->frames();
    EXPECT_EQ(again.item(0).document(), inner);
    EXPECT_EQ(again.item(0).document()->body().innerText(), "frame a");
    EXPECT_TRUE(again.item(0).accessible());
    EXPECT_FALSE(again.item(1).accessible());
    EXPECT_THROW(again.item(1).document(), Failure);
    EXPECT_EQ(again.item(1).frameElement().src(), "http://other/b.html");
}

TEST(HtmlDocument, IframesAreFramesToo) {
    auto doc = Document::Parse("<p>x<iframe src='i.html'></iframe></p>");
    ASSERT_EQ(doc->frames().length(), 1u);
    EXPECT_EQ(doc->frames().item(0).frameElement().nodeName(), "IFRAME");
    EXPECT_EQ(doc->getElementsByTagName("Frame").length(), 0u);
}

TEST(HtmlDocument, BaseElementCanBeCreatedAndPlaced) {
    auto doc = Document::Create("http://h/");
    EXPECT_EQ(doc->body().innerHTML(), "");
    Element base = doc->createElement("BASE");
    ASSERT_TRUE(base);
    base.setAttribute("href", "http://h/dir/");
    Element head = doc->getElementsByTagName("HEAD").item(0);
    EXPECT_TRUE(head.appendChild(base));
    EXPECT_EQ(head.outerHTML(), "<head><base href=\"http://h/dir/\"></head>");
    // Inserting before the second element of the whole document (a page without HEAD).
    auto bare = Document::Parse("<p>x</p>");
    Element second = bare->getElementsByTagName("*").item(1);
    Element other = bare->createElement("base");
    other.setAttribute("href", "u");
    EXPECT_TRUE(second.parentNode().insertBefore(other, second));
    EXPECT_EQ(bare->getElementsByTagName("BASE").item(0).href(), "u");
    EXPECT_FALSE(doc->createElement("no good"));
    // A node cannot go into its own subtree.
    Element body = bare->body();
    EXPECT_FALSE(body.firstChild().appendChild(body));
}

TEST(HtmlDocument, WritingInnerTextLeavesTextOnly) {
    auto doc = Document::Parse("<body bgcolor=red><p class=a>One <img src=x.gif> <b>two</b></p><table><tr><td>3"
                               "</table></body>");
    Element body = doc->body();
    std::string text = body.innerText();
    EXPECT_TRUE(body.SetInnerText(text));
    ASSERT_EQ(body.childNodes().length(), 1u);
    EXPECT_EQ(body.firstChild().nodeType(), kTextNode);
    EXPECT_EQ(body.firstChild().nodeValue(), text);
    EXPECT_EQ(body.getElementsByTagName("*").length(), 0u);
    EXPECT_EQ(body.getElementsByTagName("IMG").length(), 0u);
    EXPECT_EQ(body.getAttribute("bgcolor"), "red");  // the body's own attributes stay
    // Markup in the text stays text.
    body.SetInnerText("<b>&amp;</b>");
    EXPECT_EQ(body.innerHTML(), "&lt;b&gt;&amp;amp;&lt;/b&gt;");
    EXPECT_EQ(body.getElementsByTagName("B").length(), 0u);
    body.SetInnerText("");
    EXPECT_EQ(body.childNodes().length(), 0u);
}

TEST(HtmlDocument, InnerHtmlWriteParsesInPlace) {
    auto doc = Document::Parse("<table><tr><td>x</td></tr></table>");
    Element row = doc->getElementsByTagName("TR").item(0);
    EXPECT_TRUE(row.SetInnerHTML("<td>a</td><td>b&amp;c</td>"));
    EXPECT_EQ(ChildNames(row), "TD,TD");
    EXPECT_EQ(row.children().item(1).innerText(), "b&c");
    doc->body().SetInnerHTML("<p>one<p>two");
    EXPECT_EQ(doc->body().innerHTML(), "<p>one</p><p>two</p>");
}

}  // namespace
}  // namespace pelmor::html

namespace pelmor::html {
namespace {

TEST(HtmlDocument, EditsKeepTheTreeConsistent) {
    auto doc = Document::Parse("<div id=a><p>1</p><p>2</p></div><div id=b></div>");
    Element a = doc->body().children().item(0);
    Element b = doc->body().children().item(1);
    Node second = a.lastChild();
    // Moving a node takes it out of its old place.
    EXPECT_TRUE(b.appendChild(second));
    EXPECT_EQ(a.childNodes().length(), 1u);
    EXPECT_EQ(b.innerHTML(), "<p>2</p>");
    EXPECT_EQ(second.parentNode(), Node(b));
    // Removing a node that is not a child, or inserting before a stranger, fails.
    EXPECT_FALSE(a.removeChild(second));
    EXPECT_FALSE(a.insertBefore(doc->createTextNode("x"), second));
    // Nodes of another document stay there.
    auto other = Document::Parse("<p>o</p>");
    EXPECT_FALSE(a.appendChild(other->body().firstChild()));
    EXPECT_EQ(other->body().innerHTML(), "<p>o</p>");
    // A removed node is detached but still readable.
    Node removed = b.removeChild(second);
    EXPECT_EQ(removed.parentNode().nodeType(), kNoNode);
    EXPECT_EQ(removed.AsElement().outerHTML(), "<p>2</p>");
    Node text = doc->createTextNode("t&");
    EXPECT_TRUE(a.insertBefore(text, a.firstChild()));
    EXPECT_TRUE(text.SetData("u<"));
    EXPECT_EQ(a.innerHTML(), "u&lt;<p>1</p>");
    EXPECT_FALSE(a.SetData("no"));
}

TEST(HtmlDocument, EmptyDocumentAndDocumentNode) {
    auto doc = Document::Create();
    EXPECT_EQ(doc->URL(), "about:blank");
    EXPECT_EQ(doc->documentElement().outerHTML(), "<html><head></head><body></body></html>");
    EXPECT_EQ(doc->title(), "");
    EXPECT_EQ(doc->frames().length(), 0u);
    doc->SetURL("http://x/");
    EXPECT_EQ(doc->location().href(), "http://x/");
    auto commented = Document::Parse("<!-- before --><html><body>x</body></html>");
    Node root = commented->documentNode();
    EXPECT_EQ(root.nodeType(), kDocumentNode);
    EXPECT_EQ(root.nodeName(), "#document");
    EXPECT_EQ(root.firstChild().nodeValue(), " before ");
    EXPECT_EQ(root.lastChild().nodeName(), "HTML");
}

TEST(HtmlDocument, InnerHtmlWriteAtTheDepthCapStaysFlat) {
    std::string html;
    for (int i = 0; i < 600; ++i) html += "<div>";
    auto doc = Document::Parse(html);
    ElementList divs = doc->getElementsByTagName("DIV");
    Element deepest = divs.item(divs.length() - 1);
    deepest.SetInnerHTML("<span><b>x</b></span>");
    // Elements that would go below the cap stay on one level.
    EXPECT_EQ(deepest.innerText(), "x");
    int depth = 0;
    for (Node n = deepest; n; n = n.parentNode()) ++depth;
    EXPECT_LE(depth, 512 + 2);
}

TEST(HtmlDocument, NamePropAndAttributeRemoval) {
    auto doc = Document::Parse("<img src='plain.png' a=1 b=2><img>");
    Element img = doc->getElementsByTagName("img").item(0);
    EXPECT_EQ(img.nameProp(), "plain.png");
    EXPECT_EQ(doc->getElementsByTagName("img").item(1).nameProp(), "");
    EXPECT_TRUE(img.removeAttribute("A"));
    EXPECT_FALSE(img.removeAttribute("a"));
    EXPECT_EQ(img.attributeName(1), "b");
    EXPECT_EQ(img.attributeValue(1), "2");
    EXPECT_EQ(img.attributeName(2), "");
}

TEST(HtmlDocument, NodesKeyUnorderedMapsByIdentity) {
    auto doc = Document::Parse("<p>a</p><p>a</p>");
    auto copy = Document::Parse("<p>a</p><p>a</p>");
    std::unordered_map<Node, int> seen;
    for (const auto* d : {&doc, &copy})
        for (Element p : (*d)->getElementsByTagName("p")) ++seen[p.firstChild()];
    // Reached another way, a node is the same key; equal nodes elsewhere are not.
    Node first = doc->body().firstChild().firstChild();
    ++seen[first];
    EXPECT_EQ(seen.size(), 4u);
    EXPECT_EQ(seen[first], 2);
    EXPECT_EQ(first.Identity(), doc->getElementsByTagName("p").item(0).firstChild().Identity());
    EXPECT_NE(first.Identity(), copy->body().firstChild().firstChild().Identity());
    EXPECT_EQ(Node().Identity(), nullptr);
}

TEST(HtmlDocument, HugeTagsAndPagesKeepTheirBeginning) {
    std::string tag = "<div";
    for (int i = 0; i < 70; ++i) tag += " a" + std::to_string(i) + "=v";
    auto wide = Document::Parse(tag + ">x</div><p>after</p>");
    Element div = wide->getElementsByTagName("DIV").item(0);
    EXPECT_EQ(div.getAttribute("a63"), "v");
    EXPECT_FALSE(div.hasAttribute("a64"));
    EXPECT_EQ(wide->getElementsByTagName("P").item(0).innerText(), "after");
    EXPECT_FALSE(wide->NodeCapReached());

    std::string flood;
    for (size_t i = 0; i < Document::MaxNodes() + 10; ++i) flood += "<br>";
    auto big = Document::Parse(flood + "<p>tail</p>");
    EXPECT_TRUE(big->NodeCapReached());
    EXPECT_LE(big->getElementsByTagName("BR").length(), Document::MaxNodes());
    EXPECT_EQ(big->getElementsByTagName("P").length(), 0u);
}

TEST(HtmlDocument, DeepPagesKeepScriptsCommentsAndForeignContentIntact) {
    // Past the nesting guard's depth the parser's input is rewritten; text that only looks
    // like tags (in scripts, comments, text areas) must come through untouched.
    std::string deep;
    for (int i = 0; i < 900; ++i) deep += "<div>";
    auto doc = Document::Parse(deep + "<!--><span>a</span><script>if (a<b) s = '<div></div>'; <!--<script></script>"
                                      "<div>--></script><textarea><div></textarea >"
                                      "<svg><g/><g/><title><div>t</div></title></svg><i>end</i>");
    EXPECT_EQ(doc->getElementsByTagName("SCRIPT").item(0).innerHTML(),
              "if (a<b) s = '<div></div>'; <!--<script></script><div>-->");
    EXPECT_EQ(doc->getElementsByTagName("TEXTAREA").item(0).innerText(), "<div>");
    EXPECT_EQ(doc->getElementsByTagName("g").length(), 2u);
    // Elements that deep hold nothing; what they held follows them, in order.
    std::string text = doc->body().innerText();
    EXPECT_LT(text.find('a'), text.find("end")) << text;
    EXPECT_EQ(doc->getElementsByTagName("I").item(0).innerText(), "");
}

TEST(HtmlDocument, CommentOpenersDoNotHideTheTagsAfterThemFromTheNestingGuard) {
    // "<!-->" and "<!--->" are whole comments: the tags after them nest as written, and
    // past the guard's depth an element holds nothing, its content following it instead.
    for (std::string opener : {"<!-->", "<!--->"}) {
        std::string page = "<html><body>" + opener;
        for (int i = 0; i < 1000; ++i) page += "<div>";
        auto doc = Document::Parse(page + "<i>x</i>");
        EXPECT_EQ(doc->getElementsByTagName("I").item(0).innerText(), "") << opener;
        EXPECT_EQ(doc->body().innerText(), "x") << opener;
    }
}

}  // namespace
}  // namespace pelmor::html
