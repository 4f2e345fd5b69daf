// The XML reader over the system's XmlLite: the only file that sees it.
//
// XmlLite is a pull reader; the document is read once, whole, into a small
// tree of our own, and the handles point into that tree. Names, attributes
// and text are kept as UTF-8, whatever the document's own encoding.
//
// Text follows the rules the Linux reader (TinyXML, white space condensed)
// applies, so that both sides hand the same strings to the code above: a
// text child that is only white space is no child at all; other text loses
// its leading and trailing white space and every inner run becomes one
// space; CDATA is kept as written.
#include <deque>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "platform/common/system_library.h"
#include "platform/common/xml_depth.h"
#include "platform/types.h"
#include "platform/win32/xml_text.h"
#include "platform/xml.h"

#include <shlwapi.h>
#include <xmllite.h>

namespace {

struct Node {
  std::string name;
  int line = 0;
  std::vector<std::pair<std::string, std::string>> attributes;
  // The text of the first child node, when that node is text or CDATA.
  bool first_child_is_text = false;
  bool has_children = false;  // any node: element, text, comment, instruction
  std::string text;
  // Text read so far while no child is known yet: XmlLite may hand one run of
  // text over in pieces (white space apart, say), TinyXML keeps it as one node.
  bool collecting = false;
  std::string pending;
  // The first text node after this element, before its next sibling element
  // (TailText()); tail_open while that text may still arrive.
  bool tail_open = false;
  bool has_tail = false;
  std::string tail;
  std::string tail_pending;
  Node* first_element = nullptr;
  Node* last_element = nullptr;
  Node* next_element = nullptr;
};

const Node* AsNode(const void* node) { return static_cast<const Node*>(node); }

// MinGW has no import library for xmllite.dll: the reader's factory is
// looked up once, from the system folder only (never the program's own,
// which for an uninstaller may be a temporary folder anyone can write to).
typedef HRESULT(WINAPI* CreateXmlReaderFn)(REFIID, void**, IMalloc*);

CreateXmlReaderFn XmlReaderFactory() {
  static const CreateXmlReaderFn factory = []() -> CreateXmlReaderFn {
    HMODULE module = LoadSystemLibrary(u"xmllite.dll");
    if (!module) return nullptr;
    FARPROC proc = GetProcAddress(module, "CreateXmlReader");
    if (!proc) return nullptr;
    return reinterpret_cast<CreateXmlReaderFn>(reinterpret_cast<void (*)()>(proc));
  }();
  return factory;
}

template <class T>
class ComPtr {
 public:
  ComPtr() = default;
  ~ComPtr() {
    if (p_) p_->Release();
  }
  ComPtr(const ComPtr&) = delete;
  ComPtr& operator=(const ComPtr&) = delete;
  T* operator->() const { return p_; }
  T* get() const { return p_; }
  T** put() { return &p_; }

 private:
  T* p_ = nullptr;
};

std::string ToUtf8(const wchar_t* text, UINT length) {
  if (!text || length == 0) return {};
  const int size = WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), nullptr, 0,
                                       nullptr, nullptr);
  if (size <= 0) return {};
  std::string out(static_cast<size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), out.data(), size, nullptr,
                      nullptr);
  return out;
}

}  // namespace

const char* ZXmlElement::Name() const { return node_ ? AsNode(node_)->name.c_str() : nullptr; }

const char* ZXmlElement::Attribute(const char* name) const {
  if (!node_ || !name) return nullptr;
  for (const auto& attribute : AsNode(node_)->attributes)
    if (attribute.first == name) return attribute.second.c_str();
  return nullptr;
}

ZXmlElement ZXmlElement::FirstChildElement(const char* name) const {
  if (!node_) return ZXmlElement();
  for (const Node* child = AsNode(node_)->first_element; child; child = child->next_element)
    if (!name || child->name == name) return ZXmlElement(child);
  return ZXmlElement();
}

ZXmlElement ZXmlElement::NextSiblingElement() const {
  return node_ ? ZXmlElement(AsNode(node_)->next_element) : ZXmlElement();
}

const char* ZXmlElement::TailText() const {
  if (!node_ || !AsNode(node_)->has_tail) return nullptr;
  return AsNode(node_)->tail.c_str();
}

const char* ZXmlElement::Text() const {
  if (!node_ || !AsNode(node_)->first_child_is_text) return nullptr;
  return AsNode(node_)->text.c_str();
}

ZXmlAttribute ZXmlElement::FirstAttribute() const {
  if (!node_ || AsNode(node_)->attributes.empty()) return ZXmlAttribute();
  return ZXmlAttribute(node_, 0);
}

int ZXmlElement::Line() const { return node_ ? AsNode(node_)->line : 0; }

const char* ZXmlAttribute::Name() const {
  return node_ ? AsNode(node_)->attributes[static_cast<size_t>(index_)].first.c_str() : nullptr;
}

const char* ZXmlAttribute::Value() const {
  return node_ ? AsNode(node_)->attributes[static_cast<size_t>(index_)].second.c_str() : nullptr;
}

ZXmlAttribute ZXmlAttribute::Next() const {
  if (!node_ || static_cast<size_t>(index_) + 1 >= AsNode(node_)->attributes.size())
    return ZXmlAttribute();
  return ZXmlAttribute(node_, index_ + 1);
}

struct ZXmlDocument::Impl {
  std::deque<Node> nodes;  // a deque: handles stay valid while it grows
  const Node* root = nullptr;

  bool Read(const char* text);
};

namespace {

// The run of text before parent's first other child is complete: blank, it
// is no child at all; otherwise it is the first child.
void EndTextRun(Node* parent) {
  if (!parent || !parent->collecting) return;
  parent->collecting = false;
  std::string condensed = ZXmlCondenseWhiteSpace(parent->pending);
  parent->pending.clear();
  parent->pending.shrink_to_fit();
  if (condensed.empty()) return;
  parent->has_children = true;
  parent->first_child_is_text = true;
  parent->text = std::move(condensed);
}

// A child node other than plain text arrived under parent: only the first
// child decides Text().
void NoteChild(Node* parent, bool is_text, std::string text) {
  EndTextRun(parent);
  if (!parent || parent->has_children) return;
  parent->has_children = true;
  parent->first_child_is_text = is_text;
  if (is_text) parent->text = std::move(text);
}

// Text after parent's last child element ends that child's tail when the
// next thing is not text; blank text is no node, so a comment between
// leaves the tail open (as TinyXML, which keeps no blank text node).
void EndTail(Node* parent, bool final_node) {
  Node* last = parent ? parent->last_element : nullptr;
  if (!last || !last->tail_open) return;
  std::string condensed = ZXmlCondenseWhiteSpace(last->tail_pending);
  last->tail_pending.clear();
  if (!condensed.empty()) {
    last->has_tail = true;
    last->tail = std::move(condensed);
    last->tail_open = false;
  } else if (final_node) {
    last->tail_open = false;
  }
}

}  // namespace

bool ZXmlDocument::Impl::Read(const char* text) {
  CreateXmlReaderFn factory = XmlReaderFactory();
  if (!factory) return false;
  const size_t length = strlen(text);
  if (length > 0x7FFFFFFFu) return false;
  ComPtr<IStream> stream;
  *stream.put() = SHCreateMemStream(reinterpret_cast<const BYTE*>(text), static_cast<UINT>(length));
  if (!stream.get()) return false;
  ComPtr<IXmlReader> reader;
  if (FAILED(factory(__uuidof(IXmlReader), reinterpret_cast<void**>(reader.put()), nullptr)))
    return false;
  // Documents come from the install packet and from the network: no DTD, so
  // no entity expansion and nothing fetched from elsewhere.
  if (FAILED(reader->SetProperty(XmlReaderProperty_DtdProcessing, DtdProcessing_Prohibit)))
    return false;
  // The depth limit is counted below, element by element, the same on every
  // reader; the reader's own limit stands one level behind it. (Some readers
  // count the content of a start tag as one level deeper before they know it
  // is just the end tag, and would refuse a document exactly at the limit.)
  if (FAILED(reader->SetProperty(XmlReaderProperty_MaxElementDepth, kXmlMaxElementDepth + 1)))
    return false;
  if (FAILED(reader->SetInput(stream.get()))) return false;

  std::vector<Node*> open;
  XmlNodeType type = XmlNodeType_None;
  HRESULT hr;
  while ((hr = reader->Read(&type)) == S_OK) {
    Node* parent = open.empty() ? nullptr : open.back();
    switch (type) {
      case XmlNodeType_Element: {
        if (open.size() >= kXmlMaxElementDepth) return false;
        Node& node = nodes.emplace_back();
        const wchar_t* value = nullptr;
        UINT size = 0;
        if (FAILED(reader->GetQualifiedName(&value, &size))) return false;
        node.name = ToUtf8(value, size);
        // The start tag's line, as the Linux reader counts it.
        UINT line = 0;
        if (SUCCEEDED(reader->GetLineNumber(&line))) node.line = static_cast<int>(line);
        for (hr = reader->MoveToFirstAttribute(); hr == S_OK; hr = reader->MoveToNextAttribute()) {
          const wchar_t* attribute_name = nullptr;
          UINT name_size = 0;
          if (FAILED(reader->GetQualifiedName(&attribute_name, &name_size))) return false;
          if (FAILED(reader->GetValue(&value, &size))) return false;
          node.attributes.emplace_back(ToUtf8(attribute_name, name_size), ToUtf8(value, size));
        }
        if (FAILED(hr)) return false;
        if (FAILED(reader->MoveToElement())) return false;
        if (parent) {
          NoteChild(parent, false, {});
          EndTail(parent, true);
          node.tail_open = true;
          if (parent->last_element)
            parent->last_element->next_element = &node;
          else
            parent->first_element = &node;
          parent->last_element = &node;
        } else if (!root) {
          root = &node;
        }
        if (!reader->IsEmptyElement()) open.push_back(&node);
        break;
      }
      case XmlNodeType_EndElement:
        EndTextRun(parent);
        EndTail(parent, true);
        if (!open.empty()) open.pop_back();
        break;
      case XmlNodeType_Text:
      case XmlNodeType_Whitespace: {
        if (!parent) break;
        const bool tail = parent->last_element && parent->last_element->tail_open;
        if (!tail && parent->has_children) break;  // only the first child counts
        const wchar_t* value = nullptr;
        UINT size = 0;
        if (FAILED(reader->GetValue(&value, &size))) return false;
        if (tail) {
          parent->last_element->tail_pending += ToUtf8(value, size);
          break;
        }
        parent->collecting = true;
        parent->pending += ToUtf8(value, size);
        break;
      }
      case XmlNodeType_CDATA: {  // kept as written, even when blank
        const wchar_t* value = nullptr;
        UINT size = 0;
        if (FAILED(reader->GetValue(&value, &size))) return false;
        EndTail(parent, false);
        if (parent && parent->last_element && parent->last_element->tail_open) {
          parent->last_element->has_tail = true;
          parent->last_element->tail = ToUtf8(value, size);
          parent->last_element->tail_open = false;
        }
        NoteChild(parent, true, ToUtf8(value, size));
        break;
      }
      case XmlNodeType_Comment:
      case XmlNodeType_ProcessingInstruction:
        NoteChild(parent, false, {});
        EndTail(parent, false);
        break;
      default:  // the declaration
        break;
    }
  }
  return SUCCEEDED(hr) && root && open.empty();
}

ZXmlDocument::ZXmlDocument() : impl_(std::make_unique<Impl>()) {}

ZXmlDocument::~ZXmlDocument() = default;

bool ZXmlDocument::Parse(const char* text) {
  // A document is parsed once; a second parse starts from nothing.
  impl_ = std::make_unique<Impl>();
  if (!text) return false;
  // Refused as the Linux reader refuses it, before any reading starts.
  if (XmlDepthWithin(text) && impl_->Read(text)) return true;
  impl_ = std::make_unique<Impl>();
  return false;
}

ZXmlElement ZXmlDocument::FirstChildElement() const { return ZXmlElement(impl_->root); }
