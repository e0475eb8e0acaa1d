#pragma once
// An ID3v2 frame factory that parses only the frames the tag reader uses, title and artist (in
// every version's spelling: TagLib renames ID3v2.2 and 2.3 frames first); every other frame is
// kept as raw bytes. Parsing all the text frames of a tag cost more than the rest of reading an
// MP3's tags. Only for tags read frame by frame (offerId3v2), not for property maps.
//
// Threads: one shared instance, read-only after construction, as TagLib's own factory.

#include <taglib/id3v2framefactory.h>

class TitleFrameFactory : public TagLib::ID3v2::FrameFactory {
    template <typename>
    struct ParameterOf;
    template <typename R, typename C, typename P>
    struct ParameterOf<R (C::*)(P) const> {
        using type = P;
    };
    // The frame header's type is protected in TagLib (only the base factory is its friend), so
    // its name is taken from the function this class overrides.
    using HeaderPointer = ParameterOf<decltype(&TitleFrameFactory::updateFrame)>::type;

public:
    static TitleFrameFactory* instance();

protected:
    bool updateFrame(HeaderPointer header) const override;
};
