#include "rank_block.hpp"

#include <algorithm>

#include "../host/data_reader.hpp"
#include "../host/matio/mat_file.hpp"

namespace tavrix::cli {

RankBlock ReadRankBlock(const std::string& file, const std::string& variable, int rank, int ranks,
                        const MapModel& model) {
    constexpr std::int64_t kChunkColumns = 1 << 16;
    MatrixColumns matrix(file, variable);
    RankBlock block;
    block.totalSamples = matrix.Columns();
    const std::int64_t total = block.totalSamples;
    const std::int64_t first = total * rank / ranks;
    const std::int64_t count = total * (rank + 1) / ranks - first;
    const std::string name = "variable '" + matrix.Variable() + "'";
    if (count == 0)
        throw FileError(name + " has " + std::to_string(total) + " samples, fewer than the " + std::to_string(ranks) +
                        " ranks, and this rank's block is empty; run with at most " + std::to_string(total) + " ranks");
    if (count >= (std::int64_t{1} << 31))
        throw FileError("this rank's block of " + std::to_string(count) + " samples must hold fewer than 2^31; "
                        "run with more ranks");
    block.firstColumn = first;
    CodeMatrix& codes = block.codes;
    codes.dimension = model.dimension;
    codes.numSamples = static_cast<std::int32_t>(count);
    for (std::int64_t done = 0; done < count; done += kChunkColumns) {
        const std::int64_t columns = std::min(kChunkColumns, count - done);
        const host::OwnedArray chunk = matrix.Read(first + done, columns);
        const std::string chunkName = name + " (columns " + std::to_string(first + done + 1) + ".." +
                                      std::to_string(first + done + columns) + ")";
        const CodeMatrix part = host::ReadDataWithMissing(chunk.get(), chunkName.c_str(), nullptr, model);
        if (done == 0) codes.codes.reserve(static_cast<std::size_t>(count) * static_cast<std::size_t>(model.dimension));
        codes.codes.insert(codes.codes.end(), part.codes.begin(), part.codes.end());
    }
    return block;
}

}  // namespace tavrix::cli
