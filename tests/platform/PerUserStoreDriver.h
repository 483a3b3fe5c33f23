#pragma once

#include <memory>
#include <random>
#include <span>
#include <string>

// How the store's contract reaches into the store past the game: each
// backend's own test file defines these, its way.
namespace tw::test {

// Holds the store as another program may, so that the game cannot read it,
// until the holder goes. The holder belongs to the calling thread.
std::shared_ptr<void> HoldStoreAsAnotherProgram();

// Now and then puts into the store what the game never wrote, under some of
// `names`, as other programs or a failing disk may.
void ScribbleOverStore(std::mt19937& random, std::span<const char* const> names);

// Makes the user's store one that cannot be written, as one in a place the
// user may not write is. Where and why a save to the game's key then fails,
// as far as the store names them in every language.
std::string MakeStoreUnwritable();

} // namespace tw::test
