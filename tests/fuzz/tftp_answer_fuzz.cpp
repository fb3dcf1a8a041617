// Datagrams a module (or anyone on its network) sends back during a web image
// upload, taken as the answer to the request (block 0) or to a data block:
// only 00 04 and that block's number acknowledges it. The same bytes, taken as
// an image's path, go into the write request, which must carry the name after
// the last '/' and the size, or nothing when they do not fit one packet.
//
// Input: the 16-bit block number and size of the upload, then the datagram.
#include "fuzz/fuzz_support.h"
#include "maintenance/tftp_client.h"

using namespace quillmar;

namespace {

// The NUL-ended texts of a request after its opcode.
std::vector<std::string> requestTexts(const std::string& request)
{
    std::vector<std::string> texts;
    std::size_t at = 2;
    while (at < request.size()) {
        const std::size_t nul = request.find('\0', at);
        FUZZ_CHECK(nul != std::string::npos);
        texts.push_back(request.substr(at, nul - at));
        at = nul + 1;
    }
    return texts;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::ByteReader input(data, size);
    const std::uint16_t block = input.word();
    const std::uint16_t imageSize = input.word();
    const std::string datagram = input.rest();

    const bool acknowledges = datagram.size() == 4 && datagram[0] == 0 && datagram[1] == 4
                              && static_cast<unsigned char>(datagram[2]) == block >> 8
                              && static_cast<unsigned char>(datagram[3]) == (block & 0xFF);
    FUZZ_CHECK(isTftpAcknowledgement(datagram, block) == acknowledges);
    // Never the acknowledgement of the block before or after.
    if (acknowledges) {
        FUZZ_CHECK(!isTftpAcknowledgement(datagram, static_cast<std::uint16_t>(block + 1)));
        FUZZ_CHECK(!isTftpAcknowledgement(datagram, static_cast<std::uint16_t>(block - 1)));
    }

    const std::string name = tftpFileName(datagram);
    FUZZ_CHECK(name.find('/') == std::string::npos);
    FUZZ_CHECK(datagram.size() >= name.size()
               && datagram.compare(datagram.size() - name.size(), name.size(), name) == 0);
    const std::optional<std::string> request = tftpWriteRequest(name, imageSize);
    const bool fits = !name.empty() && name.find('\0') == std::string::npos
                      && 2 + name.size() + 1 + 6 + 6 + std::to_string(imageSize).size() + 1 <= kTftpMaxRequestBytes;
    FUZZ_CHECK(request.has_value() == fits);
    if (request) {
        FUZZ_CHECK(request->size() <= kTftpMaxRequestBytes);
        FUZZ_CHECK((*request)[0] == 0 && (*request)[1] == 2);
        const std::vector<std::string> texts = requestTexts(*request);
        FUZZ_CHECK(texts == std::vector<std::string>({name, "octet", "tsize", std::to_string(imageSize)}));
    }
    return 0;
}
