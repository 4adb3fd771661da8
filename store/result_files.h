// A result file names neither its session nor its participant: both come
// from the file itself, the same for every program that takes one in
// (`meridoka-report add` from a folder, a collecting server from `push`),
// so that the same file never becomes two sessions.
#pragma once

#include <string>
#include <string_view>

namespace store {

// The participant of a result file: its name (P017.TXT gives P017), or for
// the runner's own names (RESULT-W.TXT, RESULT-D.TXT) its folder's
// (P017/RESULT-W.TXT gives P017).
std::string result_file_participant(const std::string &path);

// Its session ID: 16 hex digits of a 64-bit FNV-1a hash of the participant
// and the file's bytes.
std::string result_file_session(const std::string &participant, std::string_view bytes);

}  // namespace store
