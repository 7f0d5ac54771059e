#pragma once

#include <string_view>

// Whether a .desktop file's Categories value ("Game;ArcadeGame;") files the
// application under games: one of its entries is exactly "Game", the main
// category every game sub-category requires.
bool tonnixIsGameCategoryList(std::string_view categories);
