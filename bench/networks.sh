# Sourced by the benchmarks that put simulated modules on several networks.
# Each network is a namespace of its own joined to the PC's namespace ($pc) by
# a veth pair (ethK on the PC's side at $net.1/24), with $per modules from
# $net.10 on, answered by one quillmar-sim. Nothing leaves these namespaces.
# Needs: lab, pc, networks (the /24 prefixes), per, build, work, lab_sh.

quiet() {
  ip netns exec "$1" sh -c 'for s in ipv6/conf/all/disable_ipv6 ipv6/conf/default/disable_ipv6; do
      [ ! -e /proc/sys/net/$s ] || echo 1 >/proc/sys/net/$s; done
    for s in ipv4/conf/all/rp_filter ipv4/conf/default/rp_filter; do echo 0 >/proc/sys/net/$s; done'
  ip -n "$1" link set lo up
}

# start_networks [KEYS]: KEYS (",key=value...") go to every simulated module.
start_networks() {
  "$lab_sh" reap
  ip netns add "$pc"
  quiet "$pc"
  for k in "${!networks[@]}"; do
    net="${networks[$k]}"
    ns="$lab-net$k"
    ip netns add "$ns"
    quiet "$ns"
    ip -n "$pc" link add "eth$k" type veth peer name eth0 netns "$ns"
    ip -n "$pc" addr add "$net.1/24" dev "eth$k"
    ip -n "$pc" link set "eth$k" up
    for i in $(seq 10 $((9 + per))); do ip -n "$ns" addr add "$net.$i/24" dev eth0; done
    ip -n "$ns" link set eth0 up
    ip netns exec "$ns" "$build/quillmar-sim" --bind 0.0.0.0 --generate "$per,address=$net.10${1:-}" \
      >"$work/sim$k.out" 2>&1 &
  done
  for k in "${!networks[@]}"; do
    for _ in $(seq 100); do grep -q ready "$work/sim$k.out" 2>/dev/null && break; sleep 0.05; done
    grep -q ready "$work/sim$k.out" || { cat "$work/sim$k.out" >&2; exit 1; }
  done
}
