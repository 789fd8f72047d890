#include "IPopupMenu.h"

#include <gtest/gtest.h>

using weft::canvas::IPopupMenu;

TEST(IPopupMenu, SortsBeforeEqualTextsClampsIndicesAndChecksOneItemAcrossTheTree)
{
  auto* sub = new IPopupMenu("", {"s0", "s1"});
  IPopupMenu m("", 2, true, {});
  for (const char* str : {"beta", "Alpha", "alpha"})
    m.AddItem(str, -2);
  m.AddItem("z", 100), m.AddItem("a", -5), m.AddItem("empty", new IPopupMenu()), m.AddItem("sub", sub);
  m.GetItem(0)->SetChecked(true);
  m.CheckItemAlone(sub->GetItem(1));
  m.RemoveEmptySubmenus();
  std::string texts;
  for (IPopupMenu* menu : {&m, sub})
    for (int i = 0; i < menu->NItems(); ++i)
      texts += std::string(menu->GetItem(i)->GetText()) + (menu->GetItem(i)->GetChecked() ? "* " : " ");
  EXPECT_EQ(texts, "a alpha Alpha beta z sub s0 s1* ");
  m.SetPrefix(4), m.SetChosenItemIdx(3), m.Clear(false);
  EXPECT_TRUE(m.NItems() == 0 && m.GetPrefix() == 2 && m.GetChosenItemIdx() == 3 && m.GetCanMultiCheck());
  m.Clear(true);
  EXPECT_TRUE(m.GetPrefix() == 0 && m.GetChosenItemIdx() == -1 && !m.GetCanMultiCheck());
}
