// Test support (included by *_test.cpp only): the published properties of a
// settings object as text, a change to every one of them, and streams as
// byte strings.
#pragma once

#include <cstdint>
#include <memory>
#include <sstream>
#include <vector>

#include "platform/rtl/filer.h"
#include "platform/rtl/graphtypes.h"
#include "platform/rtl/streams.h"
#include "platform/rtl/strings.h"
#include "platform/rtl/typinfo.h"

namespace settingstest {

// The properties a class adds to TComponent's.
inline std::vector<const TPropInfo*> OwnProps(const TClassInfo& Info) {
  std::vector<const TPropInfo*> props;
  for (size_t i = ComponentClassInfo().Props().size(); i < Info.Props().size(); ++i) props.push_back(&Info.Props()[i]);
  return props;
}

// One letter per kind: b Boolean, i int32, c colour, d double, s String,
// w WideString, f font styles, o component reference.
inline char KindLetter(const TPropInfo& P) {
  switch (P.Kind) {
    case TPropKind::pkEnumeration: return 'b';
    case TPropKind::pkInteger: return 'i';
    case TPropKind::pkColor: return 'c';
    case TPropKind::pkFloat: return 'd';
    case TPropKind::pkString: return 's';
    case TPropKind::pkWideString: return 'w';
    case TPropKind::pkSet: return 'f';
    case TPropKind::pkComponent: return 'o';
    default: return '?';
  }
}

inline String ValueText(TPersistent* O, const TPropInfo& P) {
  std::ostringstream out;
  switch (P.Kind) {
    case TPropKind::pkEnumeration: return P.GetOrd(O) ? "true" : "false";
    case TPropKind::pkInteger:
    case TPropKind::pkColor: return std::to_string(P.GetOrd(O));
    case TPropKind::pkFloat: out << P.GetFloat(O); return out.str();
    case TPropKind::pkString: return "'" + P.GetStr(O) + "'";
    case TPropKind::pkWideString: return "'" + UTF16ToUTF8(P.GetWStr(O)) + "'";
    case TPropKind::pkSet: {
      String names;
      const uint64_t bits = static_cast<uint64_t>(P.GetOrd(O));
      for (size_t i = 0; i < P.EnumType->Names.size(); ++i)
        if (bits & (uint64_t(1) << i)) names += (names.empty() ? "" : ",") + P.EnumType->Names[i];
      return "[" + names + "]";
    }
    case TPropKind::pkComponent: return P.GetComponent(O) ? "object" : "nil";
    default: return "?";
  }
}

// "Name k Value" for every property of its own, in registration order.
inline std::vector<String> Describe(TPersistent* O, const TClassInfo& Info) {
  std::vector<String> lines;
  for (const TPropInfo* p : OwnProps(Info)) lines.push_back(p->Name + " " + KindLetter(*p) + " " + ValueText(O, *p));
  return lines;
}

// Gives every property a value unlike its default, with integers of every
// stream width, colours with and without names, long and non-ASCII strings.
inline void ChangeEvery(TPersistent* O, const TClassInfo& Info) {
  int32_t i = 0;
  for (const TPropInfo* p : OwnProps(Info)) {
    ++i;
    switch (p->Kind) {
      case TPropKind::pkEnumeration: p->SetOrd(O, !p->GetOrd(O)); break;
      case TPropKind::pkInteger: {
        const int32_t values[] = {-100 - i, 1000 + i, 100000 * i, -70000 - i};
        p->SetOrd(O, values[i % 4]);
        break;
      }
      case TPropKind::pkColor: {
        const TColor values[] = {clNavy, RGB(1, 2, i), clBtnFace, RGB(200, 200, 200)};
        p->SetOrd(O, values[i % 4]);
        break;
      }
      case TPropKind::pkFloat: p->SetFloat(O, 0.1 + i); break;
      case TPropKind::pkString: p->SetStr(O, p->Name + " \xC3\xA4" + (i % 2 ? String(300, 'L') : String())); break;
      case TPropKind::pkWideString: p->SetWStr(O, u"\u00DCn\u00EF \U0001F600 " + UTF8ToUTF16(p->Name)); break;
      case TPropKind::pkSet: p->SetOrd(O, 0b1010); break;  // italic, strike-out
      default: break;
    }
  }
}

inline String StreamBytes(TComponent* C) {
  TStringStream s;
  WriteComponent(&s, C);
  return s.DataString();
}

}  // namespace settingstest
