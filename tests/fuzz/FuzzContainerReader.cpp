// Target "container": every input is run through the text-form lookup and the
// reader (with its record write-back and undo) in memory, with the north key
// set of the shared CryptoAPI fixtures as the reader's own keys, so seeds
// addressed to north reach the authentication, time and write-back steps.
// The reader refuses or reads; it must never crash or leak.

#include "FuzzKeys.h"
#include "FuzzSupport.h"
#include "container/ContainerReader.h"
#include "platform/Host.h"

namespace tessarin::fuzz {

std::string RunContainer(Bytes input) {
    static const container::ReaderKeys keys = test::FuzzReaderKeys();
    static const FixedHost host;
    container::ReadContainerBytesForFuzzing(input, keys, host);
    return "read";
}

}  // namespace tessarin::fuzz
