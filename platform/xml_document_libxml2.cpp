// The XML document layer over libxml2. The parser is told to fetch nothing over a network and is
// never asked to substitute entities or load a DTD; a document that has one anyway is refused.
#include <libxml/parser.h>
#include <libxml/tree.h>

#include <climits>
#include <memory>

#include "text.h"
#include "xml_document.h"

namespace platform {
namespace {

std::u16string fromXml(const xmlChar* s) {
  return s ? text::fromUtf8(reinterpret_cast<const char*>(s)) : std::u16string();
}

std::u16string qualifiedName(const xmlChar* name, const xmlNs* ns) {
  std::u16string out;
  if (ns && ns->prefix) {
    out = fromXml(ns->prefix);
    out += u':';
  }
  out += fromXml(name);
  return out;
}

bool convert(const xmlNode* element, XmlNode& out, size_t depth) {
  if (depth > kMaxXmlDepth) return false;
  out.kind = XmlNode::Kind::Element;
  out.name = qualifiedName(element->name, element->ns);
  for (const xmlAttr* a = element->properties; a; a = a->next) {
    xmlChar* value = xmlNodeListGetString(element->doc, a->children, 1);
    out.attributes.emplace_back(qualifiedName(a->name, a->ns), fromXml(value));
    xmlFree(value);
  }
  for (const xmlNode* child = element->children; child; child = child->next) {
    switch (child->type) {
      case XML_ELEMENT_NODE: {
        XmlNode node;
        if (!convert(child, node, depth + 1)) return false;
        out.children.push_back(std::move(node));
        break;
      }
      case XML_TEXT_NODE:
      case XML_CDATA_SECTION_NODE: {
        XmlNode node;
        node.kind = XmlNode::Kind::Text;
        node.text = fromXml(child->content);
        out.children.push_back(std::move(node));
        break;
      }
      case XML_ENTITY_REF_NODE:
        return false;  // nothing declares one; never expand it
      default:
        break;  // comments, processing instructions
    }
  }
  return true;
}

}  // namespace

win32::Error parseXmlWithSystemParser(std::string_view bytes, XmlNode& documentElement) {
  if (bytes.size() > static_cast<size_t>(INT_MAX)) return win32::kFileTooLarge;
  std::unique_ptr<xmlParserCtxt, decltype(&xmlFreeParserCtxt)> context(xmlNewParserCtxt(), xmlFreeParserCtxt);
  if (!context) return win32::kNotEnoughMemory;
  const int options = XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING;
  std::unique_ptr<xmlDoc, decltype(&xmlFreeDoc)> doc(
      xmlCtxtReadMemory(context.get(), bytes.data(), static_cast<int>(bytes.size()), nullptr, nullptr, options),
      xmlFreeDoc);
  if (!doc || !context->wellFormed || !context->nsWellFormed) return win32::kInvalidData;
  if (doc->intSubset || doc->extSubset) return win32::kInvalidData;
  const xmlNode* root = xmlDocGetRootElement(doc.get());
  if (!root) return win32::kInvalidData;
  XmlNode tree;
  if (!convert(root, tree, 1)) return win32::kInvalidData;
  documentElement = std::move(tree);
  return win32::kSuccess;
}

}  // namespace platform
