// The body of a service answer, as the HTTP layer decodes it for its handler.
#include "fuzz/FuzzSupport.h"

#include "Service/Request.h"
#include "Service/UserModel.h"

using namespace kesvor;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const auto [error, result] = Request::decodeBody(fuzz::bytes(data, size));
    fuzz::require(!(error && result), "an answer is an error or a result, never both");
    // What the start-up chain reads from a sign-up answer.
    if (result)
        UserModel::initWithDic(result->value(QStringLiteral("user")).toMap());
    return 0;
}
