# What the campaigns share (sourced, not run): the built programs, a fake service with many
# accounts, and a wait for its address. Expects $work (a scratch folder) and $build.

# Makes $1 account folders under $work/accounts: u1 … uN, each the sample team seat under a user of
# its own (user_u1, u1@example.com), and prints the fake service's --account options for them. A
# token "uN::…" is then user_uN's.
make_accounts() {
    local count=$1 i options=()
    for i in $(seq 1 "$count"); do
        local dir="$work/accounts/u$i"
        mkdir -p "$dir"
        cp -r tests/fake_service/team/api "$dir/"
        sed -i -e "s/\"sub\": *\"[^\"]*\"/\"sub\": \"auth0|user_u$i\"/" \
            -e "s/\"email\": *\"[^\"]*\"/\"email\": \"u$i@example.com\"/" \
            -e "s/\"id\": *[0-9]*/\"id\": $((500000000 + i))/" "$dir/api/auth/me.json"
        options+=(--account "u$i:=$dir")
    done
    echo "${options[@]}"
}

# Starts the fake service (its arguments as given) in the background; sets $service_pid and exports
# TALLYFERN_SERVICE_ORIGIN.
start_service() {
    "$build/tests/fake_service/fake_service" "$@" >"$work/origin" &
    service_pid=$!
    for _ in $(seq 100); do [ -s "$work/origin" ] && break; sleep 0.1; done
    if [ ! -s "$work/origin" ]; then
        echo "campaign: the fake service did not start" >&2
        return 1
    fi
    export TALLYFERN_SERVICE_ORIGIN
    TALLYFERN_SERVICE_ORIGIN=$(head -n 1 "$work/origin")
}

stop_service() {
    if [ -n "${service_pid:-}" ]; then
        kill "$service_pid" 2>/dev/null || true
        wait "$service_pid" 2>/dev/null || true
        service_pid=
    fi
}
