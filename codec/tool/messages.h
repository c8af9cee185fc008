// Every line Tessark prints, each in one place.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "decode/dds_header.h"
#include "decode/decoder.h"
#include "encode/encoder.h"

void printUsage();
void printHelp();
void printVersion();
void reportWrongArgumentCount(const char* command);  // "decode" or "encode"
void reportUnknownCommand(const char* command);
void reportThreadsRefused(const char* value);  // TESSARK_THREADS

// Outputs, both directions.
void reportOutputNotCreated(const std::string& name);
void reportOutputNotWritten(const std::string& name);

// Decode.
void reportContainerNotOpened(const std::string& path);
void reportContainerNotRegular(const std::string& path);
void reportContainerNotRead(const std::string& path);
void printContainerHeader(const TextureHeader& header);
void printDecodingLevel(int number);
void printTrailingBytes(const uint8_t* bytes, size_t count);
// The message of a failed decode (the output names come from baseName).
void reportDecodeFailure(const DecodeResult& result, const std::string& baseName);

// Encode.
void reportSourceNotFound();
void reportSourceNotRegular();
void reportEncodeFailure(const EncodeResult& result);
void printSourceRead();
void printEncodingLevel(int number, LevelSize size);
// No line end: the last thing an encode prints.
void printEncodingFinished();

// Decode of a standard DDS texture.
void printDdsHeader(const DdsTexture& texture);
// On standard error: what the file holds and what is decoded.
void reportDdsRefused(const std::string& path, const std::string& found);

// Encode sources of every kind: the standard-error line beside each
// refusal ("Tessark: FILE: what was found; what is accepted"), the progress
// line on a terminal, the line of a source shorter than its header says.
enum class SourceRefusal { NotFound, NotRegular, TooShort, ReadFailed, OutOfMemory };
void explainSourceRefusal(const std::string& path, SourceRefusal refusal, uint64_t bytes = 0);
void explainTgaHeaderRefusal(const std::string& path, const TgaHeader& header, TgaHeaderProblem problem);
void explainSidesRefusal(const std::string& path, uint32_t width, uint32_t height);
void reportPictureNotDecoded(const std::string& path, bool jpeg, const std::string& reason);
void reportSourceShort(const std::string& path, uint64_t missingPixelBytes, uint64_t pixelBytes);
void drawEncodeProgress(const std::string& path, unsigned percent);
void clearEncodeProgress();
