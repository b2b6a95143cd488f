#include "data/SoundClass.h"

#include <algorithm>
#include <cctype>

namespace velkaro {
namespace {

constexpr const char* kVersionMessage = "Internal error in sound version.";

std::string LowerExtension(const std::string& fileName) {
    const std::size_t dot = fileName.find_last_of('.');
    const std::size_t slash = fileName.find_last_of("\\/");
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) {
        return {};
    }
    std::string ext = fileName.substr(dot);
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return ext;
}

} // namespace

SoundKind SoundKindOf(const std::string& fileName) {
    const std::string ext = LowerExtension(fileName);
    if (ext == ".wav") {
        return SoundKind::Wave;
    }
    if (ext == ".mid") {
        return SoundKind::Midi;
    }
    if (ext == ".mp3") {
        return SoundKind::Mp3;
    }
    return SoundKind::Other;
}

SoundKind CSound::Kind() const {
    return SoundKindOf(fileName);
}

void CSound::Load(LoadContext& context) {
    Clear();
    if (!ReadVersion(context, kVersionMessage)) {
        return;
    }
    CStream& in = context.stream;
    name = ReadString(in);
    ReadBool(in); // the stored flag; whether the file is there now is what counts
    fileName = ReadString(in);
    file = context.FullName(fileName);
    fileExists = context.files.FileExists(fileName);
    effectsAllowed = ReadBool(in);
    bufferCount = ReadInt(in);
}

void CSoundList::Load(LoadContext& context) {
    Clear();
    if (!ReadVersion(context, kVersionMessage)) {
        return;
    }
    const std::int32_t count = ReadCount(context, "sound", kMinRecord);
    for (std::int32_t i = 0; i < count; ++i) {
        Add().Load(context);
    }
}

CSound& CSoundList::Add() {
    sounds_.push_back(std::make_unique<CSound>());
    return *sounds_.back();
}

} // namespace velkaro
