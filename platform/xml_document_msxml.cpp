// The XML document layer over the system's MSXML DOM document (COM). The document is told not to
// resolve externals, validate or accept a DTD; white space is preserved.
#include <windows.h>
#include <objbase.h>
#include <oleauto.h>
#include <msxml2.h>

#include <climits>

#include "xml_document.h"

namespace platform {
namespace {

template <typename T>
class ComPtr {
 public:
  ComPtr() = default;
  ComPtr(const ComPtr&) = delete;
  ComPtr& operator=(const ComPtr&) = delete;
  ~ComPtr() { reset(); }
  void reset() {
    if (p_) p_->Release();
    p_ = nullptr;
  }
  void attach(T* p) {
    reset();
    p_ = p;
  }
  T** put() {
    reset();
    return &p_;
  }
  T* operator->() const { return p_; }
  T* get() const { return p_; }
  explicit operator bool() const { return p_ != nullptr; }

 private:
  T* p_ = nullptr;
};

class Bstr {
 public:
  Bstr() = default;
  explicit Bstr(const wchar_t* s) : s_(SysAllocString(s)) {}
  Bstr(const Bstr&) = delete;
  Bstr& operator=(const Bstr&) = delete;
  ~Bstr() { SysFreeString(s_); }
  BSTR* put() {
    SysFreeString(s_);
    s_ = nullptr;
    return &s_;
  }
  BSTR get() const { return s_; }
  std::u16string text() const {
    return s_ ? std::u16string(reinterpret_cast<const char16_t*>(s_), SysStringLen(s_)) : std::u16string();
  }

 private:
  BSTR s_ = nullptr;
};

// COM for the calling thread, for the length of one parse; the converter has usually set it up
// already at start-up.
class ComScope {
 public:
  ComScope() : hr_(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
  ~ComScope() {
    if (SUCCEEDED(hr_)) CoUninitialize();
  }
  bool usable() const { return SUCCEEDED(hr_) || hr_ == RPC_E_CHANGED_MODE; }

 private:
  HRESULT hr_;
};

// IID_IXMLDOMDocument2, which the import libraries here do not carry.
const IID kIidXmlDomDocument2 = {0x2933bf95, 0x7b36, 0x11d2, {0xb2, 0x0e, 0x00, 0xc0, 0x4f, 0x98, 0x3e, 0x60}};

bool createDocument(ComPtr<IXMLDOMDocument2>& doc) {
  for (const wchar_t* progId : {L"Msxml2.DOMDocument.6.0", L"Msxml2.DOMDocument.3.0"}) {
    CLSID clsid;
    if (FAILED(CLSIDFromProgID(progId, &clsid))) continue;
    if (SUCCEEDED(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, kIidXmlDomDocument2,
                                   reinterpret_cast<void**>(doc.put()))))
      return true;
  }
  return false;
}

void setBoolProperty(IXMLDOMDocument2* doc, const wchar_t* name, bool value) {
  Bstr property(name);
  VARIANT v;
  VariantInit(&v);
  v.vt = VT_BOOL;
  v.boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
  doc->setProperty(property.get(), v);  // older versions know fewer properties
}

bool convert(IXMLDOMNode* element, XmlNode& out, size_t depth) {
  if (depth > kMaxXmlDepth) return false;
  out.kind = XmlNode::Kind::Element;
  Bstr name;
  if (FAILED(element->get_nodeName(name.put()))) return false;
  out.name = name.text();

  ComPtr<IXMLDOMNamedNodeMap> attributes;
  if (SUCCEEDED(element->get_attributes(attributes.put())) && attributes) {
    long count = 0;
    if (FAILED(attributes->get_length(&count))) return false;
    for (long i = 0; i < count; ++i) {
      ComPtr<IXMLDOMNode> attribute;
      if (FAILED(attributes->get_item(i, attribute.put())) || !attribute) return false;
      Bstr attributeName, value;
      if (FAILED(attribute->get_nodeName(attributeName.put())) || FAILED(attribute->get_text(value.put())))
        return false;
      std::u16string n = attributeName.text();
      if (n == u"xmlns" || n.rfind(u"xmlns:", 0) == 0) continue;  // namespace declarations
      out.attributes.emplace_back(std::move(n), value.text());
    }
  }

  ComPtr<IXMLDOMNode> child;
  if (FAILED(element->get_firstChild(child.put()))) return false;
  while (child) {
    DOMNodeType type = NODE_INVALID;
    if (FAILED(child->get_nodeType(&type))) return false;
    if (type == NODE_ELEMENT) {
      XmlNode node;
      if (!convert(child.get(), node, depth + 1)) return false;
      out.children.push_back(std::move(node));
    } else if (type == NODE_TEXT || type == NODE_CDATA_SECTION) {
      VARIANT value;
      VariantInit(&value);
      if (FAILED(child->get_nodeValue(&value))) return false;
      XmlNode node;
      node.kind = XmlNode::Kind::Text;
      if (value.vt == VT_BSTR && value.bstrVal)
        node.text.assign(reinterpret_cast<const char16_t*>(value.bstrVal), SysStringLen(value.bstrVal));
      VariantClear(&value);
      out.children.push_back(std::move(node));
    } else if (type == NODE_ENTITY_REFERENCE) {
      return false;  // nothing declares one; never expand it
    }
    IXMLDOMNode* next = nullptr;
    if (FAILED(child->get_nextSibling(&next))) return false;
    child.attach(next);
  }
  return true;
}

}  // namespace

win32::Error parseXmlWithSystemParser(std::string_view bytes, XmlNode& documentElement) {
  if (bytes.size() > static_cast<size_t>(LONG_MAX)) return win32::kFileTooLarge;
  ComScope com;
  if (!com.usable()) return win32::kNotSupported;
  ComPtr<IXMLDOMDocument2> doc;
  if (!createDocument(doc)) return win32::kNotSupported;
  doc->put_async(VARIANT_FALSE);
  doc->put_validateOnParse(VARIANT_FALSE);
  doc->put_resolveExternals(VARIANT_FALSE);
  doc->put_preserveWhiteSpace(VARIANT_TRUE);
  setBoolProperty(doc.get(), L"ProhibitDTD", true);
  setBoolProperty(doc.get(), L"NewParser", true);

  // The bytes go in as they are, so the parser reads the byte-order mark and the declaration.
  SAFEARRAY* array = SafeArrayCreateVector(VT_UI1, 0, static_cast<ULONG>(bytes.size()));
  if (!array) return win32::kNotEnoughMemory;
  void* data = nullptr;
  if (FAILED(SafeArrayAccessData(array, &data))) {
    SafeArrayDestroy(array);
    return win32::kNotEnoughMemory;
  }
  if (!bytes.empty()) memcpy(data, bytes.data(), bytes.size());
  SafeArrayUnaccessData(array);
  VARIANT source;
  VariantInit(&source);
  source.vt = VT_ARRAY | VT_UI1;
  source.parray = array;
  VARIANT_BOOL loaded = VARIANT_FALSE;
  const HRESULT hr = doc->load(source, &loaded);
  VariantClear(&source);
  if (FAILED(hr) || loaded != VARIANT_TRUE) return win32::kInvalidData;

  ComPtr<IXMLDOMDocumentType> doctype;
  if (SUCCEEDED(doc->get_doctype(doctype.put())) && doctype) return win32::kInvalidData;
  ComPtr<IXMLDOMElement> root;
  if (FAILED(doc->get_documentElement(root.put())) || !root) return win32::kInvalidData;
  XmlNode tree;
  if (!convert(root.get(), tree, 1)) return win32::kInvalidData;
  documentElement = std::move(tree);
  return win32::kSuccess;
}

}  // namespace platform
