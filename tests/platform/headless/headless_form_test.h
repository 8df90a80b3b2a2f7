// The fixture of the control tests on the headless backend: a plain panel of a given size with
// its window made, and controls made on it (or on one of its children).
#pragma once

#include <gtest/gtest.h>

#include "platform/headless/headless_peer.h"
#include "platform/ui/std_painted.h"

class HeadlessFormTest : public ::testing::Test {
protected:
  explicit HeadlessFormTest(int Width = 400, int Height = 300) : Form(nullptr) {
    InstallHeadlessBackend();
    Form.SetBevelOuter(bvNone);
    Form.SetBounds(0, 0, Width, Height);
    Form.HandleNeeded();
  }
  template <class T>
  T* Make(int left, int top, int width, int height, TWinControl* parent = nullptr) {
    auto* c = new T(&Form);
    c->SetParent(parent ? parent : &Form);
    c->SetBounds(left, top, width, height);
    return c;
  }
  TPanel Form;
};
