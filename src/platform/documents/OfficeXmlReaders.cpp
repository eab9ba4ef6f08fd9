// Word 2007+ (.docx) and OpenDocument (.odt) text: one line per paragraph in document order, with
// tabs and line breaks inside paragraphs.
#include <pugixml.hpp>

#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/documents/DocumentCommon.h"
#include "platform/documents/DocumentReaders.h"
#include "platform/documents/ZipXml.h"
#include "song/TextCodec.h"

namespace cv {

namespace {

pugi::xml_document ParseXml(const std::string& path, const std::string& xml) {
  pugi::xml_document doc;
  // No entity expansion beyond the predefined ones: pugixml has no DTD processing.
  pugi::xml_parse_result result = doc.load_buffer(xml.data(), xml.size(), pugi::parse_default | pugi::parse_ws_pcdata);
  if (!result) documents::Fail(path, "Der Textteil ist kein gültiges XML.", "the text part is not valid XML.");
  // Word processors nest a few dozen levels (tables in tables); thousands are a hostile or broken
  // file, which would otherwise read as empty or as endless lines.
  constexpr int kMaxDepth = 512;
  int depth = 0;
  for (pugi::xml_node n = doc.first_child(); n;) {
    if (n.first_child()) {
      n = n.first_child();
      if (++depth > kMaxDepth)
        documents::Fail(path, "Das Dokument ist zu tief verschachtelt, um es zu lesen.",
                        "the document is nested too deeply to read.");
      continue;
    }
    while (n && !n.next_sibling()) {
      n = n.parent();
      --depth;
    }
    if (n) n = n.next_sibling();
  }
  return doc;
}

bool NameIs(const pugi::xml_node& node, const char* local) {
  const char* name = node.name();
  const char* colon = std::strchr(name, ':');
  return std::strcmp(colon ? colon + 1 : name, local) == 0;
}

bool PrefixIs(const pugi::xml_node& node, const char* prefix) {
  size_t n = std::strlen(prefix);
  return std::strncmp(node.name(), prefix, n) == 0 && node.name()[n] == ':';
}

// Depth-first walk without recursion, so a deeply nested hostile file cannot exhaust the stack.
template <typename Visit>
void Walk(const pugi::xml_node& root, Visit visit) {
  struct Frame { pugi::xml_node node; bool leaving; };
  std::vector<Frame> stack{{root, false}};
  while (!stack.empty()) {
    Frame f = stack.back();
    stack.pop_back();
    if (f.leaving) { visit(f.node, true); continue; }
    if (!visit(f.node, false)) continue;  // false: do not descend
    stack.push_back({f.node, true});
    std::vector<pugi::xml_node> children;
    for (pugi::xml_node c = f.node.first_child(); c; c = c.next_sibling()) children.push_back(c);
    for (auto it = children.rbegin(); it != children.rend(); ++it) stack.push_back({*it, false});
  }
}

class DocxReader : public DocumentReader {
 public:
  std::string NameFilter() const override { return "Word docx (*.docx)"; }
  bool SupportsFile(const std::string& path) const override { return documents::HasExtension(path, ".docx"); }
  std::vector<std::u16string> ReadLines(const std::string& path) const override {
    pugi::xml_document doc = ParseXml(path, documents::ReadZipMember(path, "word/document.xml"));
    pugi::xml_node body = doc.document_element().child("w:body");
    if (!body) documents::Fail(path, "Dem Dokument fehlt der Textkörper.", "the document has no body.");
    documents::LineCollector lines(path);
    Walk(body, [&](const pugi::xml_node& n, bool leaving) {
      if (n.type() == pugi::node_pcdata) {
        pugi::xml_node parent = n.parent();
        if (PrefixIs(parent, "w") && NameIs(parent, "t")) lines.Append(Utf8ToUtf16(n.value()));
        return false;
      }
      if (leaving) {
        if (PrefixIs(n, "w") && NameIs(n, "p")) lines.EndLine();
        return true;
      }
      if (!PrefixIs(n, "w")) return NameIs(n, "AlternateContent") || NameIs(n, "Choice") ? !NameIs(n, "Choice") : true;
      // Deleted text, field codes, footnote references and drawings hold no body text.
      if (NameIs(n, "delText") || NameIs(n, "instrText") || NameIs(n, "drawing") || NameIs(n, "pict") ||
          NameIs(n, "rPr") || NameIs(n, "pPr") || NameIs(n, "sectPr") || NameIs(n, "del"))
        return false;
      if (NameIs(n, "tab")) lines.Append(u'\t');
      else if (NameIs(n, "br") || NameIs(n, "cr")) lines.EndLine();
      else if (NameIs(n, "noBreakHyphen")) lines.Append(u'-');
      return true;
    });
    return lines.Finish();
  }
};

// Inside OpenDocument paragraphs, runs of white space count as one space.
std::u16string CollapseWhitespace(std::u16string text) {
  std::u16string out;
  bool space = false;
  for (char16_t c : text) {
    bool ws = c == u' ' || c == u'\t' || c == u'\n' || c == u'\r';
    if (ws && space) continue;
    out.push_back(ws ? u' ' : c);
    space = ws;
  }
  return out;
}

class OdtReader : public DocumentReader {
 public:
  std::string NameFilter() const override { return "OpenOffice (*.odt)"; }
  bool SupportsFile(const std::string& path) const override { return documents::HasExtension(path, ".odt"); }
  std::vector<std::u16string> ReadLines(const std::string& path) const override {
    pugi::xml_document doc = ParseXml(path, documents::ReadZipMember(path, "content.xml"));
    pugi::xml_node text = doc.document_element().child("office:body").child("office:text");
    if (!text) documents::Fail(path, "Dem Dokument fehlt der Textkörper.", "the document has no body.");
    documents::LineCollector lines(path);
    int paragraphDepth = 0;
    Walk(text, [&](const pugi::xml_node& n, bool leaving) {
      if (n.type() == pugi::node_pcdata) {
        if (paragraphDepth > 0) lines.Append(CollapseWhitespace(Utf8ToUtf16(n.value())));
        return false;
      }
      bool paragraph = PrefixIs(n, "text") && (NameIs(n, "p") || NameIs(n, "h"));
      if (leaving) {
        if (paragraph) {
          --paragraphDepth;
          lines.EndLine();
        }
        return true;
      }
      if (paragraph) ++paragraphDepth;
      if (PrefixIs(n, "text")) {
        if (NameIs(n, "note") || NameIs(n, "tracked-changes") || NameIs(n, "sequence-decls") ||
            NameIs(n, "bookmark-ref"))
          return NameIs(n, "bookmark-ref");
        if (NameIs(n, "tab")) lines.Append(u'\t');
        else if (NameIs(n, "line-break")) lines.EndLine();
        else if (NameIs(n, "s")) {
          long count = std::strtol(n.attribute("text:c").as_string("1"), nullptr, 10);
          if (count < 1) count = 1;
          if (count > 1024) count = 1024;
          lines.Append(std::u16string(static_cast<size_t>(count), u' '));
        }
        return true;
      }
      // Drawings, frames and forms hold no lyric text; tables and sections do.
      return !(PrefixIs(n, "draw") || (PrefixIs(n, "office") && NameIs(n, "forms")) || PrefixIs(n, "svg"));
    });
    return lines.Finish();
  }
};

}  // namespace

std::unique_ptr<DocumentReader> MakeDocxReader() { return std::make_unique<DocxReader>(); }
std::unique_ptr<DocumentReader> MakeOdtReader() { return std::make_unique<OdtReader>(); }

}  // namespace cv
