#include "tags/TitleFrameFactory.h"

TitleFrameFactory* TitleFrameFactory::instance() {
    static TitleFrameFactory factory;
    return &factory;
}

bool TitleFrameFactory::updateFrame(HeaderPointer header) const {
    // False makes TagLib keep the frame unparsed, as it does for frames it does not know.
    if (!FrameFactory::updateFrame(header)) return false;
    const TagLib::ByteVector id = header->frameID();
    return id == "TIT2" || id == "TPE1";
}
