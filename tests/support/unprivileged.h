#pragma once

#include <functional>
#include <optional>
#include <string>

namespace orvel::test {

// Runs `body` in a child process without root's powers: as the user nobody when
// the tests run as root, as the current user otherwise. Permission cases only
// mean something there, as root reads and writes anything. What the body
// returns comes back as text; nullopt when no such child could be made, with
// the reason in `why` (the test is then skipped with it).
std::optional<std::string> RunUnprivileged(const std::function<std::string()>& body, std::string& why);

// Gives a tree to the user the body runs as (owner nobody when running as
// root), so that the body can read and write it.
void HandOver(const std::string& root);

}  // namespace orvel::test
