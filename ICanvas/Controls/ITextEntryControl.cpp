#include "ITextEntryControl.h"

#include "ICanvas.h"
#include "IParam.h"
#include "LOOM_Assert.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace weft::canvas {

namespace {

// Virtual-key codes of the keys the editor codes itself.
enum EVirtualKey
{
  kVK_BACK = 0x08,
  kVK_TAB = 0x09,
  kVK_RETURN = 0x0D,
  kVK_ESCAPE = 0x1B,
  kVK_SPACE = 0x20,
  kVK_PRIOR = 0x21,
  kVK_LEFT = 0x25,
  kVK_UP = 0x26,
  kVK_DOWN = 0x28,
  kVK_DELETE = 0x2E,
  kVK_0 = 0x30,
  kVK_9 = 0x39,
  kVK_NUMPAD0 = 0x60,
  kVK_NUMPAD9 = 0x69
};

constexpr int kVirtualBit = static_cast<int>(0x80000000u);
constexpr int kShiftBit = 0x40000000;
constexpr int kControlBit = 0x20000000;
constexpr int kAltBit = 0x10000000;
constexpr int kUndo = 0x2000007A;
constexpr int kRedo = 0x6000007A;
constexpr char32_t kReplacement = 0xFFFD;

// Decodes one code point from the NUL-terminated text and advances it;
// malformed or overlong forms, surrogates and values past U+10FFFF give
// U+FFFD.
char32_t DecodeUTF8(const unsigned char*& p)
{
  const unsigned char b0 = *p++;
  int more = 0;
  char32_t cp = 0, least = 0;
  if (b0 < 0x80)
    return b0;
  if ((b0 & 0xE0) == 0xC0)
    more = 1, cp = b0 & 0x1F, least = 0x80;
  else if ((b0 & 0xF0) == 0xE0)
    more = 2, cp = b0 & 0x0F, least = 0x800;
  else if ((b0 & 0xF8) == 0xF0)
    more = 3, cp = b0 & 0x07, least = 0x10000;
  else
    return kReplacement;
  for (int i = 0; i < more; ++i, ++p)
  {
    if ((*p & 0xC0) != 0x80) // also stops at the NUL
      return kReplacement;
    cp = (cp << 6) | (*p & 0x3F);
  }
  if (cp < least || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
    return kReplacement;
  return cp;
}

void AppendUTF16(std::u16string& out, char32_t cp)
{
  if (cp > 0xFFFF)
  {
    cp -= 0x10000;
    out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
    out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
  }
  else
    out.push_back(static_cast<char16_t>(cp));
}

void AppendUTF8(std::string& out, char32_t cp)
{
  if (cp < 0x80)
    out.push_back(static_cast<char>(cp));
  else if (cp < 0x800)
  {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
  else if (cp < 0x10000)
  {
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
  else
  {
    out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

bool IsHigh(char16_t u) { return u >= 0xD800 && u <= 0xDBFF; }
bool IsLow(char16_t u) { return u >= 0xDC00 && u <= 0xDFFF; }

} // namespace

std::u16string ITextEntryControl::ToUTF16(const char* str)
{
  std::u16string out;
  const auto* p = reinterpret_cast<const unsigned char*>(str ? str : "");
  while (*p)
    AppendUTF16(out, DecodeUTF8(p));
  return out;
}

std::string ITextEntryControl::ToUTF8(const std::u16string& units)
{
  std::string out;
  for (size_t i = 0; i < units.size(); ++i)
  {
    const char16_t u = units[i];
    if (IsHigh(u) && i + 1 < units.size() && IsLow(units[i + 1]))
    {
      AppendUTF8(out, 0x10000 + ((static_cast<char32_t>(u) - 0xD800) << 10) + (units[i + 1] - 0xDC00));
      ++i;
    }
    else
      AppendUTF8(out, IsHigh(u) || IsLow(u) ? kReplacement : u);
  }
  return out;
}

ITextEntryControl::ITextEntryControl()
: ITextEntryControlBase(IRECT())
{
  std::memset(&mEditState, 0, sizeof(mEditState));
  TextEngine::Initialize(mEditState);
  SetActionFunction([](IControl* pCaller) {
    static_cast<ITextEntryControl*>(pCaller)->mDrawCursor = true;
    pCaller->SetAnimation(BlinkStep, 1000);
  });
}

ITextEntryControl::~ITextEntryControl() = default;

template <class F>
bool ITextEntryControl::CallSTB(F&& operation, bool backward)
{
  STB_TexteditState before;
  std::memcpy(&before, &mEditState, sizeof(before));
  operation();
  // No index past the text, and none between the two units of a pair.
  const int len = Length();
  for (int* idx : {&mEditState.cursor, &mEditState.select_start, &mEditState.select_end})
  {
    *idx = std::clamp(*idx, 0, len);
    if (*idx > 0 && *idx < len && IsHigh(mEditString[*idx - 1]) && IsLow(mEditString[*idx]))
      *idx += backward ? -1 : 1;
  }
  const bool changed = std::memcmp(&before, &mEditState, sizeof(before)) != 0;
  if (changed)
    OnStateChanged();
  return changed;
}

void ITextEntryControl::OnStateChanged()
{
  SetDirty(false);
}

// --- Opening and closing

void ITextEntryControl::CreateTextEntry(int, const IText& text, const IRECT& bounds, int, const char* str)
{
  SetTargetAndDrawRECTs(bounds);
  mText = text;
  mText.mFGColor = text.mTextEntryFGColor;
  // A fresh history: records of an earlier text must not replay on this one.
  std::memset(&mEditState, 0, sizeof(mEditState));
  TextEngine::Initialize(mEditState);
  SetStr(str);
  SelectAll();
  mEditState.cursor = 0;
  OnTextChange();
  SetDirty(true);
  mEditing = true;
}

void ITextEntryControl::CommitEdit()
{
  mEditing = false;
  const std::string text = GetStr();
  // Emptied first: the receiver may open the next entry.
  SetTargetAndDrawRECTs(IRECT());
  if (ICanvas* pUI = GetUI())
  {
    pUI->SetControlValueAfterTextEdit(text.c_str());
    pUI->SetAllControlsDirty();
  }
}

void ITextEntryControl::DismissEdit()
{
  mEditing = false;
  SetTargetAndDrawRECTs(IRECT());
  if (ICanvas* pUI = GetUI())
  {
    pUI->ClearInTextEntryControl();
    pUI->SetAllControlsDirty();
  }
}

// --- Text store

void ITextEntryControl::SetStr(const char* str)
{
  mCharWidths.clear();
  mEditString = ToUTF16(str);
  const int len = Length();
  mEditState.cursor = std::clamp(mEditState.cursor, 0, len);
  mEditState.select_start = std::clamp(mEditState.select_start, 0, len);
  mEditState.select_end = std::clamp(mEditState.select_end, 0, len);
}

std::string ITextEntryControl::GetStr() const { return ToUTF8(mEditString); }

char16_t ITextEntryControl::CharAt(int idx) const
{
  return idx >= 0 && idx < Length() ? mEditString[static_cast<size_t>(idx)] : u'\0';
}

float ITextEntryControl::CharWidth(int idx)
{
  FillCharWidthCache();
  return idx >= 0 && idx < static_cast<int>(mCharWidths.size()) ? mCharWidths[static_cast<size_t>(idx)] : 0.0f;
}

bool ITextEntryControl::InsertChars(int pos, const char16_t* units, int count)
{
  if (pos < 0 || pos > Length() || count < 0 || (count > 0 && !units))
    return false;
  mEditString.insert(static_cast<size_t>(pos), units, static_cast<size_t>(count));
  // Through UTF-8 and back; the unit count stays, and the engine moves its
  // own cursor after this returns.
  mEditString = ToUTF16(ToUTF8(mEditString).c_str());
  OnTextChange();
  return true;
}

bool ITextEntryControl::DeleteChars(int pos, int count)
{
  if (pos < 0 || pos > Length() || count < 0)
    return false;
  mEditString.erase(static_cast<size_t>(pos), static_cast<size_t>(std::min(count, Length() - pos)));
  mEditString = ToUTF16(ToUTF8(mEditString).c_str());
  OnTextChange();
  return true;
}

void ITextEntryControl::OnTextChange()
{
  mCharWidths.clear();
  FillCharWidthCache();
}

void ITextEntryControl::FillCharWidthCache()
{
  if (!mCharWidths.empty())
    return;
  mCharWidths.resize(mEditString.size());
  for (size_t i = 0; i < mEditString.size(); ++i)
    mCharWidths[i] = MeasureCharWidth(mEditString[i], i > 0 ? mEditString[i - 1] : u'\0');
}

float ITextEntryControl::MeasureCharWidth(char16_t c, char16_t previous)
{
  ICanvas* pUI = GetUI();
  if (!pUI)
    return 0.0f;
  IRECT bounds;
  if (!previous)
    return pUI->MeasureText(mText, ToUTF8(std::u16string(1, c)).c_str(), bounds);
  const std::u16string pair{previous, c};
  const float both = pUI->MeasureText(mText, ToUTF8(pair).c_str(), bounds);
  return both - pUI->MeasureText(mText, ToUTF8(std::u16string(1, previous)).c_str(), bounds);
}

void ITextEntryControl::Layout(StbTexteditRow* row, int startIdx)
{
  *row = StbTexteditRow{};
  LOOM_ASSERT_MSG(startIdx == 0, "start_i == 0");
  if (startIdx != 0)
    return; // one row only: nothing starts past 0
  FillCharWidthCache();
  row->num_chars = Length();
  row->baseline_y_delta = 1.25f;
  float w = 0.0f;
  for (float cw : mCharWidths)
    w += cw;
  switch (mText.mAlign)
  {
    case EAlign::Near: row->x0 = mRECT.L; break;
    case EAlign::Center: row->x0 = mRECT.MW() - w / 2.0f; break;
    case EAlign::Far: row->x0 = mRECT.R - w; break;
  }
  row->x1 = row->x0 + w;
  const float h = mRECT.H(), size = mText.mSize;
  switch (mText.mVAlign)
  {
    case EVAlign::Top: row->ymin = 0.0f; break;
    case EVAlign::Middle: row->ymin = h / 2.0f - size / 2.0f; break;
    case EVAlign::Bottom: row->ymin = h - size; break;
  }
  row->ymax = row->ymin + size;
}

// --- Commands

void ITextEntryControl::SelectAll()
{
  mEditState.select_start = 0;
  mEditState.select_end = Length();
  SetDirty(false);
}

void ITextEntryControl::CopySelection()
{
  const int len = Length();
  const int lo = std::clamp(std::min(mEditState.select_start, mEditState.select_end), 0, len);
  const int hi = std::clamp(std::max(mEditState.select_start, mEditState.select_end), 0, len);
  if (lo == hi || !GetUI())
    return;
  GetUI()->SetTextInClipboard(ToUTF8(mEditString.substr(static_cast<size_t>(lo), static_cast<size_t>(hi - lo))).c_str());
}

void ITextEntryControl::Cut()
{
  CopySelection();
  CallSTB([this] { TextEngine::Cut(*this, mEditState); });
}

void ITextEntryControl::Paste()
{
  LOOM_String clip;
  if (!GetUI() || !GetUI()->GetTextFromClipboard(clip) || clip.GetLength() == 0)
    return;
  std::u16string units = ToUTF16(clip.Get());
  units = units.substr(0, units.find_first_of(u"\r\n")); // one line only
  if (!units.empty())
    PasteUnits(units);
}

bool ITextEntryControl::PasteUnits(const std::u16string& units)
{
  return CallSTB([&] { TextEngine::Paste(*this, mEditState, units.data(), static_cast<int>(units.size())); });
}

// --- Keys

bool ITextEntryControl::OnKeyDown(float, float, const IKeyPress& key)
{
  if (key.mControl)
  {
    switch (key.mVK)
    {
      case 'A': SelectAll(); return true;
      case 'C': CopySelection(); return true;
      case 'V': Paste(); return true;
      case 'X': Cut(); return true;
      case 'Z':
      {
        const int code = key.mShift ? kRedo : kUndo;
        CallSTB([&] { TextEngine::Key(*this, mEditState, code); });
        return true;
      }
      default: break;
    }
  }

  const auto* text = reinterpret_cast<const unsigned char*>(key.mUTF8);
  char32_t c = *text ? DecodeUTF8(text) : 0;
  int code = 0;
  switch (key.mVK)
  {
    case kVK_BACK: code = kVirtualBit | kVK_BACK; break;
    case kVK_TAB: return false;
    case kVK_RETURN: CommitEdit(); return true;
    case kVK_ESCAPE: DismissEdit(); return true;
    case kVK_SPACE: code = ' '; break;
    default:
    {
      if ((key.mVK >= kVK_PRIOR && key.mVK <= kVK_DOWN) || key.mVK == kVK_DELETE)
      {
        code = kVirtualBit | key.mVK;
        break;
      }
      const IControl* pInEntry = GetUI() ? GetUI()->GetControlInTextEntry() : nullptr;
      if (!pInEntry)
        return false;
      // Numeric parameters take digits, signs and (doubles only) a point.
      if (const IParam* pParam = pInEntry->GetParam())
      {
        const IParam::EParamType type = pParam->Type();
        const bool digit = (key.mVK >= kVK_0 && key.mVK <= kVK_9 && !key.mShift) ||
                           (key.mVK >= kVK_NUMPAD0 && key.mVK <= kVK_NUMPAD9);
        if (type != IParam::kTypeNone && !digit &&
            !(c == U'+' || c == U'-' || (type == IParam::kTypeDouble && c == U'.')))
          c = 0;
      }
      // Beyond one unit: the pair goes in as one undoable insertion.
      if (c > 0xFFFF && !key.mControl)
      {
        std::u16string pair;
        AppendUTF16(pair, c);
        return PasteUnits(pair);
      }
      code = c ? static_cast<int>(c) : (kVirtualBit | key.mVK);
      break;
    }
  }
  if (key.mControl)
    code |= kControlBit;
  if (key.mAlt)
    code |= kAltBit;
  if (key.mShift)
    code |= kShiftBit;
  // A pair is deleted whole: as a selection of its two units.
  const int c0 = mEditState.cursor, vk = code & ~(kShiftBit | kAltBit);
  if (mEditState.select_start == mEditState.select_end)
  {
    if (vk == (kVirtualBit | kVK_BACK) && c0 >= 2 && IsLow(CharAt(c0 - 1)) && IsHigh(CharAt(c0 - 2)))
      mEditState.select_start = c0 - 2, mEditState.select_end = c0;
    else if (vk == (kVirtualBit | kVK_DELETE) && IsHigh(CharAt(c0)) && IsLow(CharAt(c0 + 1)))
      mEditState.select_start = c0, mEditState.select_end = c0 + 2;
  }
  const bool backward = vk == (kVirtualBit | kVK_LEFT) || vk == (kVirtualBit | kVK_UP) || vk == (kVirtualBit | kVK_PRIOR);
  return CallSTB([&] { TextEngine::Key(*this, mEditState, code); }, backward);
}

// --- Mouse

void ITextEntryControl::OnMouseDown(float x, float y, const IMouseMod& mod)
{
  if (!mRECT.Contains(x, y))
  {
    CommitEdit(); // a click elsewhere confirms
    return;
  }
  if (mod.L)
  {
    CallSTB([&] { TextEngine::Click(*this, mEditState, x, y); });
    return;
  }
  if (mod.R && GetUI())
  {
    if (!mContextMenu)
      mContextMenu = std::make_unique<IPopupMenu>("", std::initializer_list<const char*>{"Cut", "Copy", "Paste"});
    mContextMenu->SetFunction([this](IPopupMenu* pMenu) {
      switch (pMenu->GetChosenItemIdx())
      {
        case 0: Cut(); break;
        case 1: CopySelection(); break;
        case 2: Paste(); break;
        default: break;
      }
    });
    GetUI()->CreatePopupMenu(*this, *mContextMenu, x, y, 0);
  }
}

void ITextEntryControl::OnMouseDrag(float x, float y, float, float, const IMouseMod& mod)
{
  if (mod.L)
    CallSTB([&] { TextEngine::Drag(*this, mEditState, x, y); });
}

void ITextEntryControl::OnMouseUp(float x, float y, const IMouseMod& mod)
{
  if (!mod.L)
    return;
  CallSTB([&] { TextEngine::Drag(*this, mEditState, x, y); });
  SetDirty(true);
}

void ITextEntryControl::OnMouseDblClick(float, float, const IMouseMod&) { SelectAll(); }

// --- Caret and drawing

void ITextEntryControl::BlinkStep(IControl* pCaller)
{
  auto* t = static_cast<ITextEntryControl*>(pCaller);
  const double p = t->GetAnimationProgress();
  if (p > 1.0)
  {
    t->OnEndAnimation();
    return;
  }
  if (p > 0.5 && t->mDrawCursor)
  {
    t->mDrawCursor = false;
    t->SetDirty(false);
  }
}

void ITextEntryControl::OnEndAnimation()
{
  IControl::OnEndAnimation();
  if (mEditing)
    SetDirty(true);
}

void ITextEntryControl::Draw(ICanvas& g)
{
  g.FillRect(mText.mTextEntryBGColor, mRECT);
  StbTexteditRow row;
  Layout(&row, 0);
  const int len = Length();
  auto xAt = [&](int idx) {
    float x = row.x0;
    for (int i = 0; i < idx && i < static_cast<int>(mCharWidths.size()); ++i)
      x += mCharWidths[static_cast<size_t>(i)];
    return x;
  };
  const float inset = 0.1f * mText.mSize;
  const int lo = std::clamp(std::min(mEditState.select_start, mEditState.select_end), 0, len);
  const int hi = std::clamp(std::max(mEditState.select_start, mEditState.select_end), 0, len);
  if (lo != hi)
  {
    const IRECT sel(xAt(lo), mRECT.T + row.ymin, xAt(hi), mRECT.T + row.ymax);
    const IBlend blend(EBlend::SrcOver, 0.2f);
    g.FillRect(mText.mTextEntryFGColor, sel.GetVPadded(-inset), &blend);
  }
  g.DrawText(mText, GetStr().c_str(), mRECT);
  if (mDrawCursor && lo == hi)
  {
    const float x = xAt(std::clamp(mEditState.cursor, 0, len));
    const IRECT caret(std::round(x - 1.0f), mRECT.T + row.ymin, std::round(x), mRECT.T + row.ymax);
    g.FillRect(mText.mTextEntryFGColor, caret.GetVPadded(-inset));
  }
}

} // namespace weft::canvas
