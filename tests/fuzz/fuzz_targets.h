// The fuzz targets: each takes one input's bytes, reads them as one kind of file the program
// reads, and aborts on a broken invariant (a crash or a sanitizer report is a finding too).
// Shared by the libFuzzer programs and the replay test.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// A filter definition file.
int fuzzFilterFile(const std::uint8_t* data, std::size_t size);
// An undo database, with the properties reader of its Rule section.
int fuzzUndoDatabase(const std::uint8_t* data, std::size_t size);
// The undo index.
int fuzzUndoIndex(const std::uint8_t* data, std::size_t size);
// The settings file, braxen.ini.
int fuzzSettings(const std::uint8_t* data, std::size_t size);
// The journal of a rename run.
int fuzzJournal(const std::uint8_t* data, std::size_t size);
// An ID3v2 tag, read without TagLib where that reads it the same.
int fuzzId3v2Tag(const std::uint8_t* data, std::size_t size);

namespace fuzzing {

// A scratch folder of this process in the temporary folder, ending with the separator, made on
// first use.
const std::string& scratchFolder();
// Writes the input as the whole file at `path`.
void writeInput(const std::string& path, const std::uint8_t* data, std::size_t size);
// A broken invariant is a finding, like a crash.
void check(bool condition);

}  // namespace fuzzing
