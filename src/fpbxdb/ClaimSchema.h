#pragma once

class PgConnection;

// The reimbursement claims of a registry on the server: the table 报销单, the day counter its
// numbers come from (报销单_序号), the index of the invoices by 报销单号, the function the clerks
// open a claim with (报销单_新建) and the trigger that writes the claims' trail lines.
namespace claimschema {

// Run by registryschema::create in its transaction, with the registry's schema as the search
// path, after the invoice table and the trail exist.
void create(PgConnection& connection);

}  // namespace claimschema
