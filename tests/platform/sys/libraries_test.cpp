#include "platform/sys/libraries.h"

#include <filesystem>

#include <gtest/gtest.h>

#include "platform/sys/sys_test_util.h"

namespace {
int Seven() { return 7; }
int Eight() { return 8; }
}  // namespace

TEST(Libraries, BuiltinModulesAnswerFirstWithoutCase) {
  RegisterBuiltinModule("testmod.dll", {{"Seven", reinterpret_cast<FARPROC>(&Seven)}}, 5 << 16 | 81, 0);
  HMODULE module = LoadLibrary("TESTMOD.DLL");
  ASSERT_NE(module, nullptr);
  auto seven = reinterpret_cast<int (*)()>(GetProcAddress(module, "Seven"));
  ASSERT_NE(seven, nullptr);
  EXPECT_EQ(seven(), 7);
  EXPECT_EQ(GetProcAddress(module, "seven"), nullptr);  // procedure names keep their case
  EXPECT_EQ(GetProcAddress(module, "Missing"), nullptr);
  DWORD ms = 0, ls = 1;
  EXPECT_TRUE(GetBuiltinModuleVersion("TestMod.dll", ms, ls));
  EXPECT_EQ(ms >> 16, 5u);
  EXPECT_EQ(ms & 0xFFFF, 81u);
  EXPECT_TRUE(FreeLibrary(module));

  // A removed entry is missing from later loads: the caller's "not found" path.
  RegisterBuiltinProc("testmod.dll", "Eight", reinterpret_cast<FARPROC>(&Eight));
  RemoveBuiltinProc("testmod.dll", "Seven");
  module = LoadLibrary("testmod.dll");
  EXPECT_EQ(GetProcAddress(module, "Seven"), nullptr);
  EXPECT_NE(GetProcAddress(module, "Eight"), nullptr);
  FreeLibrary(module);
  UnregisterBuiltinModule("testmod.dll");
  EXPECT_FALSE(IsBuiltinModule("testmod.dll"));
  EXPECT_EQ(LoadLibrary("testmod.dll"), nullptr);
}

TEST(Libraries, DllNameFallsBackToSharedObject) {
  TScratchDir dir;
  const std::string libm = "/lib/x86_64-linux-gnu/libm.so.6";
  if (!std::filesystem::exists(libm)) GTEST_SKIP() << "no " << libm;
  std::filesystem::copy_file(libm, dir / "mathlib.so");
  HMODULE module = LoadLibrary(dir / "mathlib.dll");
  ASSERT_NE(module, nullptr);
  auto cosine = reinterpret_cast<double (*)(double)>(GetProcAddress(module, "cos"));
  ASSERT_NE(cosine, nullptr);
  EXPECT_DOUBLE_EQ(cosine(0.0), 1.0);
  EXPECT_EQ(GetProcAddress(module, "no_such_function"), nullptr);
  EXPECT_TRUE(FreeLibrary(module));
  EXPECT_EQ(LoadLibrary(dir / "missing.dll"), nullptr);
  EXPECT_EQ(LoadLibrary(""), nullptr);
  EXPECT_FALSE(FreeLibrary(nullptr));
  EXPECT_EQ(GetProcAddress(nullptr, "cos"), nullptr);
}
