-- Each request uploads the same 10 MiB body to its own name.
wrk.method = "PUT"
wrk.body = string.rep("x", 10 * 1024 * 1024)
local counter = 0
request = function()
    counter = counter + 1
    return wrk.format(nil, wrk.path .. "/up" .. (counter % 64) .. ".bin")
end
