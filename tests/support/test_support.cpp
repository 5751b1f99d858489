#include "support/test_support.h"

namespace testing_support {

std::string testdataPath(const std::string& relative)
{
    return std::string(PICTAVO_TESTDATA_DIR) + "/" + relative;
}

std::string dataPath(const std::string& relative)
{
    return std::string(PICTAVO_TEST_SOURCE_DIR) + "/data/" + relative;
}

} // namespace testing_support
