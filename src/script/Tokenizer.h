#pragma once

#include "data/TokenClass.h"

#include <string>

namespace velkaro {

class CFunctionRegistry;
class CObjectList;
class CSoundList;

// What names mean when a game starts: its objects, sounds and the built-in functions.
struct TokenNames {
    const CObjectList& objects;
    const CSoundList& sounds;
    const CFunctionRegistry& functions;
};

// The tokens of `text`, with every name resolved against `names`. Never fails: characters that
// start no token become bad-symbol tokens, reported when evaluated.
CTokenList Tokenize(const std::string& text, const TokenNames& names);

} // namespace velkaro
