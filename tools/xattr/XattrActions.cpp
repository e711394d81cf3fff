#include "XattrActions.h"

#include "Failure.h"
#include "Text.h"

#include <dirent.h>
#include <sys/stat.h>
#include <sys/xattr.h>

#include <cerrno>
#include <cstring>
#include <optional>
#include <vector>

namespace xattr {

namespace {

constexpr char userPrefix[] = "user.";

class Performer {
public:
    Performer(const XattrRequest &request, std::ostream &out, std::ostream &err)
        : request_(request), out_(out), err_(err)
    {
    }

    int run()
    {
        for (const std::string &file : request_.files) {
            struct stat st {};
            const int rc = request_.noFollow || request_.recursive ? ::lstat(file.c_str(), &st)
                                                                   : ::stat(file.c_str(), &st);
            if (rc != 0) {
                err_ << "xattr: No such file: " << vtools::text::escaped(file) << "\n";
                failed_ = true;
                continue;
            }
            visit(file, st, request_.noFollow || request_.recursive, 0);
        }
        return failed_ ? 1 : 0;
    }

private:
    void visit(const std::string &path, const struct stat &st, bool linkItself, int depth)
    {
        // Linux allows no user attributes on symbolic links; a link inside a tree is skipped.
        if (!(linkItself && S_ISLNK(st.st_mode)))
            apply(path, linkItself);
        if (request_.recursive && S_ISDIR(st.st_mode)) {
            if (depth > 256) {
                report(path, "folders nested too deeply");
                return;
            }
            for (const std::string &name : list(path)) {
                const std::string child = path + "/" + name;
                struct stat childStat {};
                if (::lstat(child.c_str(), &childStat) == 0)
                    visit(child, childStat, true, depth + 1);
            }
        }
    }

    std::vector<std::string> list(const std::string &folder)
    {
        std::vector<std::string> names;
        DIR *dir = ::opendir(folder.c_str());
        if (!dir) {
            report(folder, std::strerror(errno));
            return names;
        }
        while (const dirent *entry = ::readdir(dir)) {
            const std::string name = entry->d_name;
            if (name != "." && name != "..")
                names.push_back(name);
        }
        ::closedir(dir);
        return names;
    }

    void apply(const std::string &path, bool linkItself)
    {
        const std::string attr = userPrefix + request_.name;
        switch (request_.action) {
        case XattrRequest::Action::Write: {
            const int rc = linkItself
                ? ::lsetxattr(path.c_str(), attr.c_str(), request_.value.data(), request_.value.size(), 0)
                : ::setxattr(path.c_str(), attr.c_str(), request_.value.data(), request_.value.size(), 0);
            if (rc != 0)
                report(path, std::strerror(errno));
            break;
        }
        case XattrRequest::Action::Delete: {
            const int rc = linkItself ? ::lremovexattr(path.c_str(), attr.c_str())
                                      : ::removexattr(path.c_str(), attr.c_str());
            // Absent, or a file system without user attributes: nothing to remove either way.
            if (rc != 0 && errno != ENODATA && errno != ENOTSUP)
                report(path, std::strerror(errno));
            break;
        }
        case XattrRequest::Action::Print: {
            const auto value = read(path, attr, linkItself);
            if (value)
                out_ << prefix(path) << printable(*value) << "\n";
            else if (errno == ENODATA || errno == ENOTSUP)
                report(path, "No such xattr: " + vtools::text::escaped(request_.name));
            else
                report(path, std::strerror(errno));
            break;
        }
        case XattrRequest::Action::List:
            listAttributes(path, linkItself);
            break;
        }
    }

    void listAttributes(const std::string &path, bool linkItself)
    {
        std::vector<char> names(4096);
        ssize_t size;
        for (;;) {
            size = linkItself ? ::llistxattr(path.c_str(), names.data(), names.size())
                              : ::listxattr(path.c_str(), names.data(), names.size());
            if (size >= 0 || errno != ERANGE)
                break;
            names.resize(names.size() * 4);
        }
        if (size < 0) {
            if (errno != ENOTSUP)
                report(path, std::strerror(errno));
            return;
        }
        for (ssize_t i = 0; i < size;) {
            const std::string attr(names.data() + i);
            i += static_cast<ssize_t>(attr.size()) + 1;
            if (attr.rfind(userPrefix, 0) != 0)
                continue;
            const std::string shown = vtools::text::escaped(attr.substr(sizeof userPrefix - 1));
            if (!request_.longList) {
                out_ << prefix(path) << shown << "\n";
                continue;
            }
            const auto value = read(path, attr, linkItself);
            out_ << prefix(path) << shown << ": " << (value ? printable(*value) : std::string()) << "\n";
        }
    }

    std::optional<std::string> read(const std::string &path, const std::string &attr, bool linkItself)
    {
        std::vector<char> value(4096);
        for (;;) {
            const ssize_t size = linkItself
                ? ::lgetxattr(path.c_str(), attr.c_str(), value.data(), value.size())
                : ::getxattr(path.c_str(), attr.c_str(), value.data(), value.size());
            if (size >= 0)
                return std::string(value.data(), static_cast<size_t>(size));
            if (errno != ERANGE || value.size() > (1u << 24))
                return std::nullopt;
            value.resize(value.size() * 4);
        }
    }

    // With several files or a tree, each line says which file it is about.
    std::string prefix(const std::string &path) const
    {
        if (request_.files.size() == 1 && !request_.recursive)
            return {};
        return vtools::text::escaped(path) + ": ";
    }

    static std::string printable(const std::string &value)
    {
        return vtools::text::escaped(value);
    }

    void report(const std::string &path, const std::string &problem)
    {
        err_ << "xattr: " << vtools::text::escaped(path) << ": " << problem << "\n";
        failed_ = true;
    }

    const XattrRequest &request_;
    std::ostream &out_;
    std::ostream &err_;
    bool failed_ = false;
};

} // namespace

int perform(const XattrRequest &request, std::ostream &out, std::ostream &err)
{
    return Performer(request, out, err).run();
}

} // namespace xattr
