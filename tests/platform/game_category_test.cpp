#include "platform/linux/game_category.h"

#include <gtest/gtest.h>

TEST(GameCategory, AnEntryGameFilesTheApplicationUnderGames) {
  EXPECT_TRUE(tonnixIsGameCategoryList("Game;ArcadeGame;"));
  EXPECT_TRUE(tonnixIsGameCategoryList("ArcadeGame;Game"));
  EXPECT_TRUE(tonnixIsGameCategoryList("AudioVideo;;Game;"));
  EXPECT_TRUE(tonnixIsGameCategoryList("Game"));
}

TEST(GameCategory, EntriesThatOnlyBeginOrEndWithGameDoNot) {
  EXPECT_FALSE(tonnixIsGameCategoryList("Games;"));
  EXPECT_FALSE(tonnixIsGameCategoryList("GameTool;Utility;"));
  EXPECT_FALSE(tonnixIsGameCategoryList("ArcadeGame;"));
  EXPECT_FALSE(tonnixIsGameCategoryList("game;"));
  EXPECT_FALSE(tonnixIsGameCategoryList(" Game;"));
  EXPECT_FALSE(tonnixIsGameCategoryList(""));
  EXPECT_FALSE(tonnixIsGameCategoryList(";;;"));
}
