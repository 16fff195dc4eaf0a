#include "drives/holds.h"

#include "drives/drive_name.h"

#include "win32/text.h"

#include <algorithm>

namespace kv::drives {
namespace {

// The driver in plain words, for the sentence "<words> it uses is not covered".
std::wstring DriverWords(const std::optional<std::wstring>& driver) {
    if (!driver) {
        return L"the driver";
    }
    const auto is = [&](std::wstring_view name) {
        return win32::SameIgnoringCase(*driver, name);
    };
    if (is(L"UASPStor")) {
        return L"the USB Attached SCSI driver";
    }
    if (is(L"sdstor") || is(L"sdbus")) {
        return L"the SD card driver";
    }
    if (is(L"stornvme")) {
        return L"the NVMe driver";
    }
    return L"the " + OneLine(*driver) + L" driver";
}

std::wstring HoldsBecause(DriveProtection protection, Verdict verdict,
                          const WindowsPolicyFacts& policy) {
    if (verdict == Verdict::ReadOnlyVolume) {
        return L"its volume is read-only.";
    }
    std::wstring words = protection == DriveProtection::WriteProtect
                             ? L"Windows denies writing to it"
                             : L"Windows denies reading it";
    if (!policy.set) {
        return words + L".";
    }
    return words + (policy.setByKelvane ? L" (Windows' policy, added by Kelvane)."
                                        : L" (Windows' policy, set outside Kelvane).");
}

} // namespace

Verdict VerdictFor(DriveProtection protection, const ListedDrive& drive,
                   const WindowsPolicyFacts& policy) {
    const bool write = protection == DriveProtection::WriteProtect;
    if (write && drive.readOnly) {
        return Verdict::ReadOnlyVolume;
    }
    const Answer answer = write ? drive.mayWrite : drive.mayRead;
    if (answer == Answer::Denied) {
        return Verdict::DeniedByWindows;
    }
    if (policy.set) {
        // Windows applies its policy to a volume when the volume arrives: a drive that came
        // before it (or whose arrival nobody can date) gets it when it comes again.
        const bool cameAfter = drive.arrivedAt && policy.setAt && *drive.arrivedAt > *policy.setAt;
        if (!cameAfter) {
            return Verdict::UntilReattached;
        }
        if (answer == Answer::Allowed) {
            return Verdict::PolicyNotApplied;
        }
        // Windows gave no answer: only Kelvane's own switch can be judged.
    }
    switch (drive.coverage) {
    case Coverage::Covered:
        return Verdict::AttachedBefore;
    case Coverage::NotCovered:
        return Verdict::NotCovered;
    case Coverage::Unknown:
        break;
    }
    return Verdict::Unknown;
}

std::vector<Shortfall> Verdicts(const std::vector<ListedDrive>& drives, ProtectionsOn on,
                                const WindowsPolicies& policies) {
    std::vector<const ListedDrive*> byLetter;
    for (const ListedDrive& drive : drives) {
        byLetter.push_back(&drive);
    }
    std::ranges::stable_sort(byLetter, {}, [](const ListedDrive* d) { return d->letter; });

    std::vector<Shortfall> found;
    for (const ListedDrive* drive : byLetter) {
        for (const DriveProtection p : {DriveProtection::WriteProtect, DriveProtection::Lock}) {
            if (p == DriveProtection::WriteProtect ? on.writeProtect : on.lock) {
                found.push_back({p, VerdictFor(p, *drive, policies.For(p)), *drive});
            }
        }
    }
    return found;
}

std::vector<Shortfall> Shortfalls(const std::vector<ListedDrive>& drives, ProtectionsOn on,
                                  const WindowsPolicies& policies) {
    std::vector<Shortfall> found = Verdicts(drives, on, policies);
    std::erase_if(found, [](const Shortfall& s) { return Holds(s.why); });
    return found;
}

std::wstring VerdictText(DriveProtection protection, Verdict verdict, const ListedDrive& d,
                         const WindowsPolicyFacts& policy) {
    const std::wstring drive = DriveName(d);
    const bool write = protection == DriveProtection::WriteProtect;
    const std::wstring subject = write ? L"Write protection" : L"The lock";
    switch (verdict) {
    case Verdict::ReadOnlyVolume:
    case Verdict::DeniedByWindows:
        return subject + L" holds for " + drive + L": " + HoldsBecause(protection, verdict, policy);
    case Verdict::UntilReattached:
        return subject + L" will hold for " + drive +
               L" once it is re-attached or Windows restarts.";
    case Verdict::PolicyNotApplied:
        return subject + L" does not hold for " + drive +
               L": Windows did not apply its policy to it (Windows Home, or a policy that "
               L"replaced it).";
    case Verdict::AttachedBefore:
        return write ? subject + L" does not hold for " + drive +
                           L": it was attached before the change. Remove and re-attach it."
                     : subject + L" does not hold for " + drive +
                           L": it stays usable until it is removed.";
    case Verdict::NotCovered:
        return subject + L" does not hold for " + drive + L": " + DriverWords(d.driver) +
               L" it uses is not covered.";
    case Verdict::Unknown:
        break;
    }
    return subject + L" may not hold for " + drive +
           (write ? L": it is writable and Windows did not say how it is attached."
                  : L": it is usable and Windows did not say how it is attached.");
}

std::wstring ShortfallText(const Shortfall& s) {
    return VerdictText(s.protection, s.why, s.drive);
}

std::wstring ShortfallNotice(const std::vector<Shortfall>& shortfalls) {
    if (shortfalls.empty()) {
        return {};
    }
    std::wstring notice = ShortfallText(shortfalls.front());
    if (shortfalls.size() > 1) {
        notice += L" And " + std::to_wstring(shortfalls.size() - 1) + L" more.";
    }
    return notice;
}

std::wstring ShortfallList(const std::vector<Shortfall>& shortfalls) {
    std::wstring list;
    for (const Shortfall& s : shortfalls) {
        if (!list.empty()) {
            list += L"\r\n";
        }
        list += ShortfallText(s);
    }
    return list;
}

} // namespace kv::drives
