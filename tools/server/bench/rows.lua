-- wrk: every request a new journal row of a simulated participant, 40
-- rows a session, sessions numbered apart per wrk thread, posted as the
-- page posts them. Arguments: the study's link (/s/KEY/), its CRC-32 and
-- item count, and the pause in ms after each answer (0: back to back; 1000:
-- each connection a participant sending a row a second).
local threads = {}
function setup(thread)
  thread:set("tid", #threads)
  table.insert(threads, thread)
end

function init(args)
  link, crc, items, pause, n, ok = args[1], args[2], args[3], tonumber(args[4] or "0"), 0, 0
end

function response(status)
  if status >= 200 and status < 300 then
    ok = ok + 1
  end
end

function delay()
  return pause
end

function request()
  local s = math.floor(n / 40)
  local row = n % 40 + 1
  n = n + 1
  local session = string.format("%08x%08x", 0xbe000000 + tid, s)
  local event = row == 1 and "session_start" or "item_shown"
  local body = string.format("%s,B%d,%s,%d,2026-12-09T10:00:00,%d,,,,,,,,,meridoka,1.0.0,web,77930,%s,%s,performance.now,5,,,,,\r\n",
    session, tid, event, row * 100, row, row == 1 and crc or "", items)
  return wrk.format("POST", link .. "rows?session=" .. session .. "&journal=S0000001.CSV&row=" .. row,
    { ["Content-Type"] = "text/plain;charset=UTF-8" }, body)
end

function done(summary, latency, requests)
  local answered = 0
  for _, thread in ipairs(threads) do
    answered = answered + thread:get("ok")
  end
  io.write(string.format("wrk: %d requests, %d answered 2xx, %d failed or other statuses, %.0f rows/s, p50 %.1f ms, p99 %.1f ms\n",
    summary.requests, answered, summary.errors.status + summary.errors.connect + summary.errors.read +
    summary.errors.write + summary.errors.timeout, answered / (summary.duration / 1e6),
    latency:percentile(50) / 1000, latency:percentile(99) / 1000))
end
