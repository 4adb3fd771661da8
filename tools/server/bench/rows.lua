-- wrk: every request a new journal row of a simulated participant, 40
-- rows a session, sessions numbered apart per wrk thread, posted as the
-- page posts them. Arguments: the study's link (/s/KEY/) and its CRC-32.
local threads = 0
function setup(thread)
  thread:set("tid", threads)
  threads = threads + 1
end

function init(args)
  link, crc, n = args[1], args[2], 0
end

function request()
  local s = math.floor(n / 40)
  local row = n % 40 + 1
  n = n + 1
  local session = string.format("%08x%08x", 0xbe000000 + tid, s)
  local event = row == 1 and "session_start" or "item_shown"
  local body = string.format("%s,B%d,%s,%d,2026-12-09T10:00:00,%d,,,,,,,,,meridoka,1.0.0,web,77930,%s,40,performance.now,5,,,,,\r\n",
    session, tid, event, row * 100, row, row == 1 and crc or "")
  return wrk.format("POST", link .. "rows?session=" .. session .. "&journal=S0000001.CSV&row=" .. row,
    { ["Content-Type"] = "text/plain;charset=UTF-8" }, body)
end

function done(summary, latency, requests)
  io.write(string.format("wrk: %d requests, %d not 2xx or failed, %.0f rows/s, p50 %.1f ms, p99 %.1f ms\n",
    summary.requests, summary.errors.status + summary.errors.connect + summary.errors.read + summary.errors.timeout,
    summary.requests / (summary.duration / 1e6), latency:percentile(50) / 1000, latency:percentile(99) / 1000))
end
