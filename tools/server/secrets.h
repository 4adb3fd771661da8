// Passwords, keys and tokens (libsodium): Argon2id hashes of researchers'
// passwords, and random keys that cannot be guessed.
#pragma once

#include <string>

namespace server {

// Throws store::Error when libsodium cannot start (no entropy source).
void start_secrets();

// Argon2id with libsodium's interactive costs (64 MiB, 2 passes): the
// string keeps its salt and costs.
std::string hash_password(const std::string &password);
bool password_matches(const std::string &hash, const std::string &password);

// `bytes` random bytes as lower-case hex digits (a study key: 16 bytes,
// 128 bits; a login token: 32).
std::string random_hex(size_t bytes);

// Equal strings, compared in time that does not depend on where they differ.
bool same_secret(const std::string &a, const std::string &b);

}  // namespace server
