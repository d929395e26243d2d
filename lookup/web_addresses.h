#pragma once

#include <string>
#include <string_view>

// The web addresses the program uses. They are fixed when the program is
// built (CMake cache variables of the same names choose them); nothing
// changes them at run time.
namespace web {

// Host of the lookup service that answers the owner queries.
extern const std::string_view kLookupHost;
// The lookup service's own domain name. A contact domain that names it is
// discarded, and it is blanked out of the results text.
extern const std::string_view kServiceDomain;
// The partner site's name, sent after "&linkname=" with every query.
extern const std::string_view kPartnerName;
// The absolute "http://" address of the partner page, sent (encoded) after
// "&linkurl=" with every query.
extern const std::string_view kPartnerPage;
// The maker's home page, which the Website button opens.
extern const std::string_view kHomePage;
// The maker's web host, which publishes the upgrade notice page.
extern const std::string_view kMakerHost;

// The upgrade notice page: "http://", the maker's web host and "/upgrade.htm".
std::string UpgradeNoticeUrl();

}  // namespace web
