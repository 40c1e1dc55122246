#pragma once
// The interface and class ids the module and its tests use, defined once in
// com_guids_win.cpp: mingw-w64 declares the console's and the Group Policy editor's ids
// but its import libraries define none of them, and its gpedit.h carries a Computer
// Configuration node type that is not the one the snap-in extends. Never take
// NODEID_Machine from gpedit.h; use nodeIdMachine() here.
#include <windows.h>

#include <mmc.h>
#include <gpedit.h>

#include "platform/guid.h"

namespace ostrel::snapin {

// A portable Guid as the platform's GUID.
inline GUID toGUID(const Guid& g) {
  GUID out{};
  out.Data1 = g.data1;
  out.Data2 = g.data2;
  out.Data3 = g.data3;
  for (int i = 0; i < 8; ++i) out.Data4[i] = g.data4[i];
  return out;
}
inline Guid fromGUID(const GUID& g) {
  Guid out;
  out.data1 = g.Data1;
  out.data2 = g.Data2;
  out.data3 = g.Data3;
  for (int i = 0; i < 8; ++i) out.data4[i] = g.Data4[i];
  return out;
}

// {8FC0B739-A0E1-11D1-A7D3-0000F87571E3}: Computer Configuration of the Group Policy editor.
const GUID& nodeIdMachine();
const CLSID& snapinClsid();
const CLSID& aboutClsid();
const GUID& policiesNodeType();
const GUID& ruleItemNodeType();

}  // namespace ostrel::snapin
