// Icons looked up on start-up's icons thread: each item gets the index its own source gives.
#include <gtest/gtest.h>

#include "ui/ProgramIcons.h"

TEST(ProgramIcons, ThreadGivesEachItemTheIndexOfItsOwnSource) {
  // Two programs with icons of their own and one missing program (the default icon).
  const std::vector<std::wstring> sources = {L"\\windows\\notepad.exe", L"\\nowhere\\missing.exe",
                                             L"\\windows\\regedit.exe"};
  qzr::ProgramIcons icons;
  icons.Start(sources);
  std::vector<int> got;
  for (size_t i = 0; i < sources.size(); ++i) got.push_back(icons.IndexOf(i, sources[i]));
  ASSERT_NE(got[0], got[1]);  // else a mix-up could not show
  ASSERT_NE(got[0], got[2]);
  for (size_t i = 0; i < sources.size(); ++i) EXPECT_EQ(got[i], qzr::LookUpIconIndex(sources[i])) << i;

  const struct {
    size_t item;
    std::wstring source;
  } afresh[] = {{0, sources[2]}, {7, sources[0]}};
  for (const auto& c : afresh) EXPECT_EQ(icons.IndexOf(c.item, c.source), qzr::LookUpIconIndex(c.source)) << c.item;
  EXPECT_NE(icons.SystemImageList(), nullptr);
  EXPECT_EQ(icons.SystemImageList(), qzr::LookUpSystemImageList());
}
