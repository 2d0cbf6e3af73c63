// The client of the rating web service: the operation doScanURLs as SOAP
// 1.1 over HTTP/1.1 (document/literal, parameters wrapped in an element
// named after the operation).
//
// One call: prepare the XML reader, clear the previous call's state, write
// the request, send it, read and parse the answer, copy the result out,
// reset the call state. Nothing is retried. Each call uses a connection of
// its own, closed before the call returns; the service's address is
// resolved by the system resolver and reached directly, without a proxy.
//
// The answer's HTTP status decides: 200 is parsed as the response; 202 has
// no result and fails; 500 is parsed as a SOAP fault and fails; any other
// status fails. Redirections are followed.
//
// Limits: each network operation (resolve, connect, send, receive) has a
// time-out (GetTimeout, 10000 ms unless changed); the whole call, following
// redirections included, has a deadline (GetDeadline, 30000 ms), so a
// server that trickles its answer cannot hold the caller indefinitely; at
// most kMaxRedirects redirections; the answer's header at most
// kMaxHeaderBytes and its body at most kMaxBodyBytes; at most
// rating::kMaxResultRecords records.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

#include "core/rating/rating_records.h"
#include "core/rating/scan_response_reader.h"
#include "platform/com/types.h"

namespace MyService {

// The step at which the last call failed.
enum class ClientError {
  kNone,
  kReaderCreation,   // the XML reader could not be created
  kInvalidEndpoint,  // the service address is not a usable "http:" address
  kConnect,          // resolving the host or connecting failed
  kSend,             // the request could not be sent
  kReceive,          // no complete answer: time-out, deadline, connection lost, limits, malformed HTTP
  kServerStatus,     // an HTTP status other than 200, 202 and 500
  kFault,            // the service answered with a SOAP fault
  kParse,            // the answer broke a rule of the response (202 included: it has no result)
};

class CMyServiceT {
 public:
  static constexpr DWORD kDefaultTimeout = 10000;
  static constexpr DWORD kDefaultDeadline = 30000;
  static constexpr int kMaxRedirects = 5;
  static constexpr std::size_t kMaxHeaderBytes = 64 * 1024;
  static constexpr std::size_t kMaxBodyBytes = 8 * 1024 * 1024;

  // `endpoint`: "http://host[:port]/path"; `targetNamespace`: the service's
  // namespace URI, ending in "/".
  CMyServiceT(std::string endpoint, std::string targetNamespace);
  virtual ~CMyServiceT();
  CMyServiceT(const CMyServiceT&) = delete;
  CMyServiceT& operator=(const CMyServiceT&) = delete;

  // Asks the service about `count` addresses. On success (S_OK) `result`
  // receives the records, owned by the caller; on failure it is not
  // touched. E_POINTER without `result`; E_INVALIDARG for a negative count
  // or missing queries; E_FAIL when the exchange fails (GetClientError says
  // at which step).
  HRESULT doScanURLs(const URLScanQueryElement* queries, int count, URLScanResult* result);

  // Ends the exchange with the service: closes the network connection (each
  // call's connection is already closed when the call returns) and drops
  // what the last answer left behind. The failure details of the last call
  // stay readable.
  void CleanupClient();

  // The time-out of each network operation, in milliseconds.
  void SetTimeout(DWORD milliseconds) { m_timeout = milliseconds; }
  DWORD GetTimeout() const { return m_timeout; }
  // The time limit of a whole call, in milliseconds.
  void SetDeadline(DWORD milliseconds) { m_deadline = milliseconds; }
  DWORD GetDeadline() const { return m_deadline; }

  const std::string& GetUrl() const { return m_url; }
  const std::string& GetNamespace() const { return m_namespace; }

  // What happened in the last call.
  ClientError GetClientError() const { return m_error; }
  // Its HTTP status; 0 when no answer came.
  int GetStatusCode() const { return m_status; }
  // The fault the service answered with, if it did.
  const std::optional<rating::SoapFault>& GetFault() const { return m_fault; }
  // A description of the failure, for diagnostics; empty after success.
  const std::string& GetErrorText() const { return m_errorText; }

 private:
  HRESULT Failed(ClientError error, std::string text);

  std::string m_url;
  std::string m_namespace;
  std::u16string m_namespaceWide;
  DWORD m_timeout = kDefaultTimeout;
  DWORD m_deadline = kDefaultDeadline;
  rating::ScanResponseReader m_reader;
  ClientError m_error = ClientError::kNone;
  int m_status = 0;
  std::optional<rating::SoapFault> m_fault;
  std::string m_errorText;
};

}  // namespace MyService

// The client the page processor holds: the service at its built-in address
// (rating::RatingEndpoint, rating::RatingNamespace).
class CWebServiceClass : public MyService::CMyServiceT {
 public:
  CWebServiceClass();
  ~CWebServiceClass() override;

  // doScanURLs, then CleanupClient whatever the outcome, so that every
  // request uses a fresh connection.
  HRESULT ScanUrls(int count, const URLScanQueryElement* queries, URLScanResult* service);
};
