#pragma once
// A scripted stand-in for the platform's Internet functions, linked in place
// of the real ones into the fuzz targets and their replay: every GET and
// every finished post takes the next scripted answer.

#include <string>
#include <vector>

namespace tessarin::fuzz {

struct FakeAnswer {
    long status = 200;
    bool transferred = true;  // false: the request fails before an answer
    std::string body;
};

struct FakeExchange {
    bool post = false;
    std::string url;
    std::string requestBody;  // what a post sent
    FakeAnswer answer;        // what it was given
};

// Replaces the script and forgets the exchanges so far.
void ScriptInternet(std::vector<FakeAnswer> answers);
// Every request since the last script, in order.
const std::vector<FakeExchange>& InternetExchanges();

}  // namespace tessarin::fuzz
