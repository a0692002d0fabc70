// Feeds the input to the message reader as a stream, once whole and once in
// pieces. Both must give the same messages; each message must write back to
// bytes that read again to the same message.
#include "NetMessage.h"
#include "NetMessageReader.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace
{
std::vector<CNetMessage> ReadAll(const std::string& stream, std::size_t piece, bool& broken)
{
    CNetMessageReader reader;
    std::vector<CNetMessage> messages;
    for (std::size_t at = 0; at < stream.size(); at += piece)
    {
        const std::size_t count = std::min(piece, stream.size() - at);
        reader.Append(stream.data() + at, count);
        CNetMessage message;
        CNetMessageReader::Result result;
        while ((result = reader.Next(message)) == CNetMessageReader::Result::Message)
            messages.push_back(message);
        if (result == CNetMessageReader::Result::Malformed)
            break;
    }
    broken = reader.IsBroken();
    return messages;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    // The first byte chooses the piece size of the second reading.
    const std::size_t piece = 1 + data[0] % 17;
    const std::string stream(reinterpret_cast<const char*>(data + 1), size - 1);

    bool brokenWhole = false;
    bool brokenPieces = false;
    const std::vector<CNetMessage> whole = ReadAll(stream, stream.size() + 1, brokenWhole);
    const std::vector<CNetMessage> pieces = ReadAll(stream, piece, brokenPieces);
    if (whole != pieces || brokenWhole != brokenPieces)
        __builtin_trap();

    for (const CNetMessage& message : whole)
    {
        const std::string bytes = message.ToBytes();
        if (bytes.size() > CNetMessage::kMaxMessageBytes)
            continue; // a wide string grew in its 8-bit form
        CNetMessage again;
        std::size_t used = 0;
        std::size_t needed = 0;
        if (again.Read(bytes.data(), bytes.size(), used, needed) != CNetMessage::ParseStatus::Complete ||
            used != bytes.size() || !(again == message) || again.ToBytes() != bytes)
            __builtin_trap();
    }
    return 0;
}
