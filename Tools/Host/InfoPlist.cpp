#include "InfoPlist.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <limits>
#include <unordered_set>
#include <utility>

namespace pw::host {

namespace {

bool IsSpace(char c) noexcept
{
  return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

bool IsNameChar(char c) noexcept
{
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '-' ||
         c == '.' || c == ':';
}

std::string_view Trim(std::string_view s) noexcept
{
  while (!s.empty() && IsSpace(s.front()))
    s.remove_prefix(1);
  while (!s.empty() && IsSpace(s.back()))
    s.remove_suffix(1);
  return s;
}

void AppendUTF8(std::uint32_t cp, std::string& out)
{
  if (cp < 0x80)
    out += static_cast<char>(cp);
  else if (cp < 0x800)
  {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
  else if (cp < 0x10000)
  {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
  else
  {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

bool ParseInt64(std::string_view text, std::int64_t& out) noexcept
{
  bool negative = false;
  if (!text.empty() && (text.front() == '-' || text.front() == '+'))
  {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  if (text.empty())
    return false;
  // Accumulate as a negative number: its range holds the most negative value.
  std::int64_t value = 0;
  constexpr std::int64_t kMin = std::numeric_limits<std::int64_t>::min();
  for (char c : text)
  {
    if (c < '0' || c > '9')
      return false;
    const int digit = c - '0';
    if (value < (kMin + digit) / 10)
      return false;
    value = value * 10 - digit;
  }
  if (!negative)
  {
    if (value == kMin)
      return false;
    value = -value;
  }
  out = value;
  return true;
}

struct Tag
{
  std::string name;
  bool closing = false; // </name>
  bool empty = false;   // <name/>
};

class PlistParser
{
public:
  explicit PlistParser(std::string_view doc) noexcept
  : mDoc(doc)
  {}

  Status Parse(PlistValue& out)
  {
    if (mDoc.size() > kMaxPlistBytes)
      return Status::Error("the property list is larger than " + std::to_string(kMaxPlistBytes) + " bytes");
    if (mDoc.find('\0') != std::string_view::npos)
      return Fail("NUL byte in the document");
    if (mDoc.substr(0, 3) == "\xEF\xBB\xBF")
      mPos = 3;

    Status status = SkipMisc(true);
    if (!status)
      return status;
    Tag root;
    if (!(status = ReadTag(root)))
      return status;
    if (root.closing || root.name != "plist")
      return Fail("expected <plist>, found <" + std::string(root.closing ? "/" : "") + root.name + ">");
    if (root.empty)
      return Fail("<plist/> holds no value");
    if (!(status = SkipMisc(false)))
      return status;

    Tag valueTag;
    if (!(status = ReadTag(valueTag)))
      return status;
    if (valueTag.closing)
      return Fail("<plist> holds no value");
    PlistValue value;
    if (!(status = ParseValue(valueTag, value, 1)))
      return status;

    if (!(status = SkipMisc(false)))
      return status;
    Tag end;
    if (!(status = ReadTag(end)))
      return status;
    if (!end.closing || end.name != "plist")
      return Fail("expected </plist> after the root value, found <" + end.name + ">");
    if (!(status = SkipMisc(false)))
      return status;
    if (mPos != mDoc.size())
      return Fail("content after </plist>");
    out = std::move(value);
    return Status::Ok();
  }

private:
  int Line() const noexcept
  {
    const auto upTo = mDoc.substr(0, std::min(mPos, mDoc.size()));
    return 1 + static_cast<int>(std::count(upTo.begin(), upTo.end(), '\n'));
  }

  Status Fail(const std::string& what) const { return Status::Error("line " + std::to_string(Line()) + ": " + what); }

  bool AtEnd() const noexcept { return mPos >= mDoc.size(); }
  bool LookingAt(std::string_view s) const noexcept { return mDoc.substr(mPos, s.size()) == s; }

  void SkipSpace() noexcept
  {
    while (!AtEnd() && IsSpace(mDoc[mPos]))
      ++mPos;
  }

  // Skips from the current position past terminator; false when it is missing.
  bool SkipPast(std::string_view terminator) noexcept
  {
    const std::size_t at = mDoc.find(terminator, mPos);
    if (at == std::string_view::npos)
      return false;
    mPos = at + terminator.size();
    return true;
  }

  // Whitespace, comments and, in the prolog, the XML declaration,
  // processing instructions and one DOCTYPE.
  Status SkipMisc(bool prolog)
  {
    for (;;)
    {
      SkipSpace();
      if (LookingAt("<!--"))
      {
        if (!SkipPast("-->"))
          return Fail("unterminated comment");
      }
      else if (prolog && LookingAt("<?"))
      {
        if (!SkipPast("?>"))
          return Fail("unterminated processing instruction");
      }
      else if (prolog && LookingAt("<!DOCTYPE"))
      {
        const std::size_t close = mDoc.find('>', mPos);
        if (close == std::string_view::npos)
          return Fail("unterminated DOCTYPE");
        if (mDoc.substr(mPos, close - mPos).find('[') != std::string_view::npos)
          return Fail("internal DTD subsets are not supported");
        mPos = close + 1;
      }
      else
        return Status::Ok();
    }
  }

  Status ReadName(std::string& name)
  {
    const std::size_t start = mPos;
    while (!AtEnd() && IsNameChar(mDoc[mPos]))
      ++mPos;
    if (mPos == start)
      return Fail("malformed tag");
    name.assign(mDoc.substr(start, mPos - start));
    return Status::Ok();
  }

  // At '<': reads <name attr="..."> or <name/> or </name>; attributes are
  // checked for form and otherwise ignored.
  Status ReadTag(Tag& tag)
  {
    if (AtEnd())
      return Fail("unexpected end of the document");
    if (mDoc[mPos] != '<')
      return Fail("unexpected text outside an element");
    ++mPos;
    tag = Tag();
    if (!AtEnd() && mDoc[mPos] == '/')
    {
      tag.closing = true;
      ++mPos;
    }
    Status status = ReadName(tag.name);
    if (!status)
      return status;
    for (;;)
    {
      SkipSpace();
      if (AtEnd())
        return Fail("unterminated tag <" + tag.name + ">");
      const char c = mDoc[mPos];
      if (c == '>')
      {
        ++mPos;
        return Status::Ok();
      }
      if (c == '/' && !tag.closing && LookingAt("/>"))
      {
        tag.empty = true;
        mPos += 2;
        return Status::Ok();
      }
      if (tag.closing)
        return Fail("malformed closing tag </" + tag.name + ">");
      std::string attribute;
      if (!(status = ReadName(attribute)))
        return status;
      SkipSpace();
      if (AtEnd() || mDoc[mPos] != '=')
        return Fail("attribute " + attribute + " has no value");
      ++mPos;
      SkipSpace();
      if (AtEnd() || (mDoc[mPos] != '"' && mDoc[mPos] != '\''))
        return Fail("attribute " + attribute + " has no quoted value");
      const char quote = mDoc[mPos++];
      const std::size_t close = mDoc.find(quote, mPos);
      if (close == std::string_view::npos || mDoc.substr(mPos, close - mPos).find('<') != std::string_view::npos)
        return Fail("unterminated value of attribute " + attribute);
      mPos = close + 1;
    }
  }

  Status ReadEntity(std::string& out)
  {
    const std::size_t semicolon = mDoc.find(';', mPos);
    if (semicolon == std::string_view::npos || semicolon - mPos > 10)
      return Fail("malformed entity reference");
    const std::string_view entity = mDoc.substr(mPos + 1, semicolon - mPos - 1);
    if (entity == "lt")
      out += '<';
    else if (entity == "gt")
      out += '>';
    else if (entity == "amp")
      out += '&';
    else if (entity == "quot")
      out += '"';
    else if (entity == "apos")
      out += '\'';
    else if (entity.size() > 1 && entity[0] == '#')
    {
      const bool hex = entity[1] == 'x';
      const std::string_view digits = entity.substr(hex ? 2 : 1);
      if (digits.empty() || digits.size() > 6)
        return Fail("malformed character reference &" + std::string(entity) + ";");
      std::uint32_t cp = 0;
      for (char c : digits)
      {
        int d = -1;
        if (c >= '0' && c <= '9')
          d = c - '0';
        else if (hex && c >= 'a' && c <= 'f')
          d = c - 'a' + 10;
        else if (hex && c >= 'A' && c <= 'F')
          d = c - 'A' + 10;
        if (d < 0)
          return Fail("malformed character reference &" + std::string(entity) + ";");
        cp = cp * (hex ? 16 : 10) + static_cast<std::uint32_t>(d);
      }
      if (cp == 0 || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        return Fail("character reference &" + std::string(entity) + "; names no character");
      AppendUTF8(cp, out);
    }
    else
      return Fail("unknown entity &" + std::string(entity) + ";");
    mPos = semicolon + 1;
    return Status::Ok();
  }

  // Character data up to and including </name>: entities resolved, CDATA
  // taken as is, comments dropped, no nested elements.
  Status ReadText(const std::string& name, std::string& out)
  {
    out.clear();
    for (;;)
    {
      if (AtEnd())
        return Fail("unterminated <" + name + ">");
      const char c = mDoc[mPos];
      if (c == '&')
      {
        Status status = ReadEntity(out);
        if (!status)
          return status;
      }
      else if (c != '<')
      {
        out += c;
        ++mPos;
      }
      else if (LookingAt("<![CDATA["))
      {
        const std::size_t start = mPos + 9;
        const std::size_t end = mDoc.find("]]>", start);
        if (end == std::string_view::npos)
          return Fail("unterminated CDATA section");
        out.append(mDoc.substr(start, end - start));
        mPos = end + 3;
      }
      else if (LookingAt("<!--"))
      {
        if (!SkipPast("-->"))
          return Fail("unterminated comment");
      }
      else
      {
        Tag close;
        Status status = ReadTag(close);
        if (!status)
          return status;
        if (!close.closing)
          return Fail("element <" + close.name + "> inside <" + name + ">");
        if (close.name != name)
          return Fail("</" + close.name + "> closes <" + name + ">");
        return Status::Ok();
      }
    }
  }

  Status ParseValue(const Tag& open, PlistValue& out, int depth)
  {
    if (depth > kMaxPlistDepth)
      return Fail("values nested deeper than " + std::to_string(kMaxPlistDepth));
    if (open.closing)
      return Fail("unexpected </" + open.name + ">");
    const std::string& name = open.name;
    out = PlistValue();
    if (name == "dict")
      return ParseDict(open, out, depth);
    if (name == "array")
      return ParseArray(open, out, depth);

    std::string text;
    if (!open.empty)
    {
      Status status = ReadText(name, text);
      if (!status)
        return status;
    }
    if (name == "string")
    {
      out.type = PlistValue::Type::String;
      out.text = std::move(text);
    }
    else if (name == "integer")
    {
      out.type = PlistValue::Type::Integer;
      if (!ParseInt64(Trim(text), out.integer))
        return Fail("'" + text + "' is not a 64-bit integer");
    }
    else if (name == "real")
    {
      out.type = PlistValue::Type::Real;
      const std::string trimmed(Trim(text));
      char* end = nullptr;
      errno = 0;
      out.real = std::strtod(trimmed.c_str(), &end);
      if (trimmed.empty() || end != trimmed.c_str() + trimmed.size() || errno == ERANGE)
        return Fail("'" + text + "' is not a real number");
    }
    else if (name == "true" || name == "false")
    {
      if (!Trim(text).empty())
        return Fail("<" + name + "> holds text");
      out.type = PlistValue::Type::Boolean;
      out.boolean = name == "true";
    }
    else if (name == "date" || name == "data")
    {
      out.type = name == "date" ? PlistValue::Type::Date : PlistValue::Type::Data;
      out.text.assign(Trim(text));
    }
    else if (name == "key")
      return Fail("<key> outside a <dict>");
    else
      return Fail("unknown element <" + name + ">");
    return Status::Ok();
  }

  // The next tag inside <container>: an element's opening tag, or the
  // container's own closing tag (tag.closing); any other closing tag fails.
  Status ReadMemberTag(const char* container, Tag& tag)
  {
    Status status = SkipMisc(false);
    if (!status)
      return status;
    if (!(status = ReadTag(tag)))
      return status;
    if (tag.closing && tag.name != container)
      return Fail("</" + tag.name + "> closes <" + container + ">");
    return Status::Ok();
  }

  Status ParseDict(const Tag& open, PlistValue& out, int depth)
  {
    out.type = PlistValue::Type::Dict;
    if (open.empty)
      return Status::Ok();
    std::unordered_set<std::string> seen;
    for (;;)
    {
      Tag tag;
      Status status = ReadMemberTag("dict", tag);
      if (!status || tag.closing)
        return status;
      if (tag.name != "key")
        return Fail("expected <key> in <dict>, found <" + tag.name + ">");
      std::string key;
      if (!tag.empty && !(status = ReadText("key", key)))
        return status;
      // A set of the keys so far keeps a dictionary of n keys linear in n.
      if (!seen.insert(key).second)
        return Fail("duplicate key '" + key + "'");
      if (!(status = SkipMisc(false)))
        return status;
      Tag valueTag;
      if (!(status = ReadTag(valueTag)))
        return status;
      if (valueTag.closing)
        return Fail("key '" + key + "' has no value");
      PlistValue value;
      if (!(status = ParseValue(valueTag, value, depth + 1)))
        return status;
      out.keys.push_back(std::move(key));
      out.items.push_back(std::move(value));
    }
  }

  Status ParseArray(const Tag& open, PlistValue& out, int depth)
  {
    out.type = PlistValue::Type::Array;
    if (open.empty)
      return Status::Ok();
    for (;;)
    {
      Tag tag;
      Status status = ReadMemberTag("array", tag);
      if (!status || tag.closing)
        return status;
      PlistValue value;
      if (!(status = ParseValue(tag, value, depth + 1)))
        return status;
      out.items.push_back(std::move(value));
    }
  }

  std::string_view mDoc;
  std::size_t mPos = 0;
};

} // namespace

const PlistValue* PlistValue::Find(std::string_view key) const noexcept
{
  if (type != Type::Dict)
    return nullptr;
  for (std::size_t i = 0; i < keys.size() && i < items.size(); ++i)
    if (keys[i] == key)
      return &items[i];
  return nullptr;
}

const std::string* PlistValue::FindString(std::string_view key) const noexcept
{
  const PlistValue* value = Find(key);
  return value && value->type == Type::String ? &value->text : nullptr;
}

Status ParsePlist(std::string_view document, PlistValue& out)
{
  return PlistParser(document).Parse(out);
}

bool ReadPlistDocument(const std::string& path, std::string& out)
{
  std::ifstream file(path, std::ios::binary);
  if (!file)
    return false;
  std::string document;
  // One byte more than allowed, so that an oversized file is recognised.
  document.resize(kMaxPlistBytes + 1);
  file.read(&document[0], static_cast<std::streamsize>(document.size()));
  if (file.bad())
    return false;
  document.resize(static_cast<std::size_t>(file.gcount()));
  out = std::move(document);
  return true;
}

Status ReadPlistFile(const std::string& path, PlistValue& out)
{
  std::string document;
  if (!ReadPlistDocument(path, document))
    return Status::Error("cannot read " + path);
  Status status = ParsePlist(document, out);
  if (!status)
    return Status::Error(path + ", " + status.Message());
  return Status::Ok();
}

} // namespace pw::host
