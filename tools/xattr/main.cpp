// xattr: lists, prints, writes and removes extended attributes (in the user namespace).
// Exit status: 0 success, 1 when an operation failed, 2 bad usage.

#include "XattrActions.h"
#include "XattrRequest.h"

#include <iostream>

int main(int argc, char **argv)
{
    xattr::XattrRequest request;
    std::string error;
    if (!request.parse(argc, argv, error)) {
        std::cerr << "xattr: " << error << "\n"
                  << "Usage: xattr [-lrs] FILE...\n"
                     "       xattr -p [-rs] NAME FILE...\n"
                     "       xattr -w [-rs] NAME VALUE FILE...\n"
                     "       xattr -d [-rs] NAME FILE...\n";
        return 2;
    }
    return xattr::perform(request, std::cout, std::cerr);
}
