// RTF from untrusted bytes: the reading rule, the plain text, and a writer
// round trip that must keep the text.
#include "platform/richedit/LinkDetection.h"
#include "platform/richedit/RtfReader.h"
#include "platform/richedit/RtfWriter.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace kodrix::rtf;
    const auto doc = readDocument({data, size});
    if (!doc) return 0;
    const std::u16string text = plainText(*doc);
    kodrix::rtf::findLinks(text);
    writePlainText(*doc);
    const std::string rtf = writeRtf(*doc);
    const auto again = readRtf(rtf);
    if (!again || plainText(*again) != text) std::abort();
    return 0;
}
