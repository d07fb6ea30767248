#pragma once
// Drives tests/data/net/stand_in_service.py: an HTTPS stand-in for the
// service on 127.0.0.1 with a CA made at test time. One instance serves a
// whole test program; each test scripts the answers and reads back what the
// service received.

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "Fixtures.h"

namespace tessarin::test {

struct ScriptedAnswer {
    int status = 200;
    std::string body;
    double delaySeconds = 0;
    std::optional<std::size_t> truncateAt;  // bytes sent of a body announced whole

    static ScriptedAnswer Text(std::string text) { return {200, std::move(text), 0, std::nullopt}; }
};

struct RecordedField {
    std::string name, value, fileName, contentType;
    bool isFile = false;
};

struct RecordedRequest {
    std::string method, target, route, contentType, userAgent, cacheControl, body, parseError;
    std::vector<std::pair<std::string, std::string>> query;  // parsed by urllib.parse
    std::vector<RecordedField> fields;                       // parsed by email / urllib.parse

    std::vector<std::string> FieldNames() const;
    // Every value of a field, in order.
    std::vector<std::string> Values(const std::string& name) const;
    std::string Query(const std::string& name) const;
};

class StandInService {
public:
    // The process-wide instance, started on first use. Sets
    // TESSARIN_SERVICE_URL and TESSARIN_CA_FILE for the clients under test.
    // script: the stand-in to run, absolute or relative to the test data
    // folder (another script may extend the standard one with routes of its
    // own); the first call decides.
    static StandInService& Get(const std::string& script = "net/stand_in_service.py");
    ~StandInService();

    const std::string& BaseUrl() const { return m_baseUrl; }
    // The same service on another port, behind a certificate from the same CA
    // made out for another host name only.
    const std::string& WrongNameBaseUrl() const { return m_wrongNameBaseUrl; }
    std::filesystem::path CaFile() const { return m_dir.Path() / "ca.pem"; }
    int Port() const { return m_port; }

    // Replaces the whole script and forgets the requests recorded so far.
    void Script(const std::map<std::string, std::vector<ScriptedAnswer>>& answers);
    std::vector<RecordedRequest> Requests() const;
    std::vector<RecordedRequest> Requests(const std::string& route) const;

private:
    explicit StandInService(const std::string& script);
    TempDir m_dir;
    int m_pid = -1;
    int m_stdin = -1;
    int m_port = 0;
    std::string m_baseUrl;
    std::string m_wrongNameBaseUrl;
};

// Sets (or with nullopt removes) an environment variable for a scope.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const std::optional<std::string>& value);
    ~ScopedEnv();
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    std::string m_name;
    std::optional<std::string> m_old;
};

// A plain TCP port on 127.0.0.1 that closes every connection at once without
// a word, to show that nothing was sent to it.
class PlainListener {
public:
    PlainListener();
    ~PlainListener();
    PlainListener(const PlainListener&) = delete;
    PlainListener& operator=(const PlainListener&) = delete;
    int Port() const { return m_port; }
    // Whether any connection has arrived so far.
    bool Contacted() const { return m_contacts.load() > 0; }

private:
    int m_fd = -1;
    int m_port = 0;
    std::atomic<int> m_contacts{0};
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

// The bytes of a valid-looking key set for tests: a 152-byte public key file
// whose modulus is 0x00, 0x01, ..., 0x7F least significant byte first.
std::vector<std::uint8_t> SamplePublicKeyFile();
std::string SamplePublicKeyHex();

}  // namespace tessarin::test
